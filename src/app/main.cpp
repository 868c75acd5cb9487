#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Stanzo");
  QMainWindow w;
  w.setWindowTitle("Stanzo  (Cuewright)");
  w.show();
  return app.exec();
}
