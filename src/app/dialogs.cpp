#include "app/dialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

namespace stanzo {
namespace {

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

int RunBox(QWidget* parent, QMessageBox::Icon icon, const std::string& caption,
           const std::string& text, QMessageBox::StandardButtons buttons,
           QMessageBox::StandardButton def) {
  QMessageBox box(icon, Q(caption), Q(text), buttons, parent);
  box.setTextFormat(Qt::PlainText);
  box.setDefaultButton(def);
  return box.exec();
}

}  // namespace

std::string QtFilterFrom(const std::string& filter) {
  std::string out;
  size_t pos = 0;
  while (pos <= filter.size()) {
    size_t bar = filter.find('|', pos);
    if (bar == std::string::npos) break;
    std::string desc = filter.substr(pos, bar - pos);
    size_t end = filter.find('|', bar + 1);
    std::string pattern =
        filter.substr(bar + 1, end == std::string::npos ? std::string::npos : end - bar - 1);
    for (char& c : pattern)
      if (c == ';') c = ' ';
    if (size_t paren = desc.rfind(" ("); paren != std::string::npos && desc.back() == ')')
      desc.erase(paren);
    if (!out.empty()) out += ";;";
    out += desc + " (" + pattern + ")";
    if (end == std::string::npos) break;
    pos = end + 1;
  }
  return out;
}

void QtDialogs::ShowError(const std::string& message) {
  RunBox(parent_, QMessageBox::Critical, "Stanzo", message, QMessageBox::Ok, QMessageBox::Ok);
}

void QtDialogs::ShowMessage(const std::string& text) {
  RunBox(parent_, QMessageBox::NoIcon, "Stanzo", text, QMessageBox::Ok, QMessageBox::Ok);
}

bool QtDialogs::Confirm(const std::string& text) {
  QMessageBox box(QMessageBox::Question, "Confirm", Q(text), QMessageBox::NoButton, parent_);
  box.setTextFormat(Qt::PlainText);
  QPushButton* yes = box.addButton("&Yes", QMessageBox::YesRole);
  QPushButton* no = box.addButton("&No", QMessageBox::NoRole);
  box.setDefaultButton(yes);
  box.setEscapeButton(no);
  box.exec();
  return box.clickedButton() == yes;
}

bool QtDialogs::AskWarning(const std::string& caption, const std::string& text) {
  return RunBox(parent_, QMessageBox::Warning, caption, text, QMessageBox::Yes | QMessageBox::No,
                QMessageBox::Yes) == QMessageBox::Yes;
}

void QtDialogs::Warn(const std::string& caption, const std::string& text) {
  RunBox(parent_, QMessageBox::Warning, caption, text, QMessageBox::Ok, QMessageBox::Ok);
}

std::optional<std::string> QtDialogs::Prompt(const std::string& title, const std::string& label,
                                             const std::string& initial) {
  QInputDialog dlg(parent_);
  dlg.setWindowTitle(Q(title));
  dlg.setLabelText(Q(label));
  dlg.setTextValue(Q(initial));
  dlg.setOkButtonText("OK");
  dlg.setCancelButtonText("Cancel");
  if (auto* edit = dlg.findChild<QLineEdit*>()) {
    edit->setMaxLength(255);
    edit->setText(Q(initial).left(255));
  }
  if (dlg.exec() != QDialog::Accepted) return std::nullopt;
  return dlg.textValue().left(255).toStdString();
}

std::optional<std::string> QtDialogs::OpenFile(const OpenFileRequest& request) {
  QFileDialog dlg(parent_, Q(request.title), Q(request.initialDir));
  dlg.setAcceptMode(QFileDialog::AcceptOpen);
  dlg.setFileMode(QFileDialog::AnyFile);
  dlg.setNameFilters(Q(QtFilterFrom(request.filter)).split(";;"));
  dlg.setDefaultSuffix(Q(request.defaultExt));
  dlg.setOption(QFileDialog::ReadOnly, false);
  dlg.selectFile(Q(request.fileName));
  while (dlg.exec() == QDialog::Accepted) {
    const QStringList files = dlg.selectedFiles();
    if (files.isEmpty()) return std::nullopt;
    QFileInfo info(files.front());
    if (!info.dir().exists()) {
      Warn(request.title, "The path does not exist:\n" + info.absolutePath().toStdString());
      continue;
    }
    if (!info.exists()) {
      const std::string text =
          info.fileName().toStdString() + "\nThis file does not exist.\nCreate the file?";
      if (RunBox(parent_, QMessageBox::Warning, request.title, text,
                 QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) != QMessageBox::Yes)
        continue;
    }
    return info.absoluteFilePath().toStdString();
  }
  return std::nullopt;
}

std::vector<std::string> QtDialogs::OpenFiles(const OpenFileRequest& request) {
  QFileDialog dlg(parent_, Q(request.title), Q(request.initialDir));
  dlg.setAcceptMode(QFileDialog::AcceptOpen);
  dlg.setFileMode(QFileDialog::ExistingFiles);
  dlg.setNameFilters(Q(QtFilterFrom(request.filter)).split(";;"));
  std::vector<std::string> paths;
  if (dlg.exec() != QDialog::Accepted) return paths;
  for (const QString& file : dlg.selectedFiles()) paths.push_back(file.toStdString());
  return paths;
}

}  // namespace stanzo
