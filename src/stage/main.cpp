// stanzo-stage: a rehearsal stage that shows the console's marquee
// overlays without a video player. See stage_options.h for the command
// line; it prints "Listening on HOST:PORT" on stdout once it accepts
// connections, and with --http then "Overlay page at http://HOST:PORT/",
// so scripts and tests started with port 0 can find it.
#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "stage/overlay_http.h"
#include "stage/overlay_state.h"
#include "stage/stage_layout.h"
#include "stage/stage_options.h"
#include "stage/stage_server.h"
#include "stage/stage_view.h"

namespace {

using stanzo::stage::StageOptions;

int Run(int argc, char** argv, const StageOptions& options) {
  std::unique_ptr<QCoreApplication> app;
  if (options.headless) {
    app = std::make_unique<QCoreApplication>(argc, argv);
  } else {
    app = std::make_unique<QApplication>(argc, argv);
  }
  QCoreApplication::setApplicationName(QStringLiteral("stanzo-stage"));

  stanzo::stage::StageServer server;
  const QString host = QString::fromStdString(options.host);
  QString error;
  if (!server.listen(QHostAddress(host), static_cast<quint16>(options.port), &error)) {
    std::fprintf(stderr, "stanzo-stage: cannot listen on %s:%d: %s\n", options.host.c_str(),
                 options.port, error.toLocal8Bit().constData());
    return 1;
  }
  const QString address = host + QLatin1Char(':') + QString::number(server.port());
  std::printf("Listening on %s\n", address.toLocal8Bit().constData());

  std::unique_ptr<stanzo::stage::OverlayHttpServer> page;
  if (options.http) {
    page = std::make_unique<stanzo::stage::OverlayHttpServer>([&server] {
      return QByteArray::fromStdString(
          stanzo::stage::OverlayStateJson(server.dialect(), server.nowMs()));
    });
    const QString http_host = QString::fromStdString(options.http_host);
    if (!page->listen(QHostAddress(http_host), static_cast<quint16>(options.http_port), &error)) {
      std::fprintf(stderr, "stanzo-stage: cannot serve the page on %s:%d: %s\n",
                   options.http_host.c_str(), options.http_port, error.toLocal8Bit().constData());
      return 1;
    }
    QObject::connect(&server, &stanzo::stage::StageServer::overlaysChanged, page.get(),
                     &stanzo::stage::OverlayHttpServer::overlaysChanged);
    std::printf("Overlay page at http://%s:%d/\n", options.http_host.c_str(),
                static_cast<int>(page->port()));
  }
  std::fflush(stdout);

  std::unique_ptr<stanzo::stage::StageView> view;
  if (!options.headless) {
    // QColor(QRgb) reads 0xRRGGBB and makes the colour opaque.
    view = std::make_unique<stanzo::stage::StageView>(
        server.dialect(), [&server] { return server.nowMs(); },
        QColor(static_cast<QRgb>(options.background)));
    view->setWindowTitle(QStringLiteral("Stanzo stage - ") + address);
    QObject::connect(&server, &stanzo::stage::StageServer::overlaysChanged, view.get(),
                     &stanzo::stage::StageView::overlaysChanged);
    if (options.fullscreen) {
      const QList<QScreen*> screens = QGuiApplication::screens();
      if (options.screen >= 0 && options.screen < screens.size()) {
        QScreen* screen = screens[options.screen];
        view->setGeometry(screen->geometry());
        view->setScreen(screen);
      } else if (options.screen >= 0) {
        std::fprintf(stderr, "stanzo-stage: no screen %d (there are %d); using the first\n",
                     options.screen, static_cast<int>(screens.size()));
      }
      view->showFullScreen();
    } else {
      // Open where the console's window does not hide it. The frame is not
      // known before the window shows; assume a thin one, as the console does.
      std::vector<stanzo::stage::Rect> screens;
      QList<QScreen*> all = QGuiApplication::screens();
      all.removeOne(QGuiApplication::primaryScreen());
      all.prepend(QGuiApplication::primaryScreen());
      for (const QScreen* screen : all) {
        if (screen == nullptr) continue;
        const QRect a = screen->availableGeometry();
        screens.push_back({a.x(), a.y(), a.width(), a.height()});
      }
      constexpr int kFrameWidth = 8;
      constexpr int kFrameHeight = 31;
      const QSize size = view->sizeHint();
      const stanzo::stage::Rect r =
          stanzo::stage::PlaceStageWindow(screens, stanzo::stage::kConsoleWindow, size.width(),
                                          size.height(), kFrameWidth, kFrameHeight);
      view->resize(r.width - kFrameWidth, r.height - kFrameHeight);
      view->move(r.x, r.y);
      view->show();
    }
  }
  return app->exec();
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  std::string error;
  const std::optional<StageOptions> options = stanzo::stage::ParseStageArgs(args, &error);
  if (!options) {
    std::fprintf(stderr, "stanzo-stage: %s\n\n%s", error.c_str(),
                 stanzo::stage::StageUsage().c_str());
    return 2;
  }
  if (options->help) {
    std::fputs(stanzo::stage::StageUsage().c_str(), stdout);
    return 0;
  }
  return Run(argc, argv, *options);
}
