// The window as the operator meets it: layout, focus, tool tips, and the
// command channel driven by clicks against a stand-in player.
#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <chrono>
#include <map>

#include "app/application.h"
#include "console/control_table.h"
#include "gui_fixture.h"

using namespace std::chrono_literals;
using stanzo::StandinPlayer;
using stanzo::testing::Child;
using stanzo::testing::Console;

namespace {

using stanzo::ControlKind;
using stanzo::ControlSpec;
using stanzo::MainWindowControls;
using stanzo::MainWindowSpec;

const char* QtClassOf(ControlKind kind) {
  switch (kind) {
    case ControlKind::Label:
      return "QLabel";
    case ControlKind::Edit:
    case ControlKind::ReadOnlyEdit:
      return "QLineEdit";
    case ControlKind::Memo:
      return "QPlainTextEdit";
    case ControlKind::Button:
    case ControlKind::PictureButton:
      return "QPushButton";
    case ControlKind::SimpleCombo:
      return "stanzo::SimpleComboBox";
    case ControlKind::DropDownCombo:
      return "QComboBox";
    case ControlKind::ListBox:
      return "QListWidget";
    case ControlKind::RadioGroup:
      return "stanzo::RadioGroup";
  }
  return "";
}

// What start-up in an empty directory shows instead of the table's text;
// nullptr: the start-up text comes from a file or a default list.
const std::map<QString, const char*> kStartTexts = {
    {"lblInitFile", "Init.txt"},
    {"lblLyricFile", "Lyrics.txt"},
    {"edHost", "localhost:2323"},
    {"memLog", "VLC Events & Messages:"},
    {"cboAdhoc", "(command to send to VLC)"},
    {"memLyric", nullptr},
    {"memInit", nullptr},
    {"cboLaunchCmd", nullptr},
};

QString TextOf(QWidget* w) {
  if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
  if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
  if (auto* m = qobject_cast<QPlainTextEdit*>(w)) return m->toPlainText();
  if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
  if (auto* c = qobject_cast<stanzo::SimpleComboBox*>(w)) return c->currentText();
  if (auto* c = qobject_cast<QComboBox*>(w)) return c->currentText();
  if (auto* g = qobject_cast<QGroupBox*>(w)) return g->title();
  return {};
}

QRect Scaled(double scale, const stanzo::Rect& r) {
  auto s = [scale](int v) { return static_cast<int>(v * scale + 0.5); };
  return QRect(s(r.left), s(r.top), s(r.width), s(r.height));
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    console_ = std::make_unique<Console>();
    QVERIFY(console_->dir.isValid());
  }
  void cleanup() { console_.reset(); }

  // The built window against the control table: every control's name,
  // kind, geometry, text, hint, focus and style; nothing overlaps but what
  // the design overlaps, and everything lies inside the client area.
  void controlsMatchTheDesignTable() {
    console_->Start();
    stanzo::TfrmMain& w = *console_->window;
    const stanzo::WindowSpec& design = MainWindowSpec();
    const double scale = w.LayoutScale();
    QWidget* client = w.findChild<QWidget*>("client");
    QVERIFY(client);
    const auto children = client->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    const auto table = MainWindowControls();
    QCOMPARE(children.size(), static_cast<qsizetype>(table.size()));
    const QRect area(QPoint(0, 0), client->minimumSize());
    QCOMPARE(area.size(), Scaled(scale, {0, 0, design.designWidth, design.designHeight}).size());
    for (size_t i = 0; i < table.size(); ++i) {
      const ControlSpec& row = table[i];
      QWidget* c = children[static_cast<qsizetype>(i)];  // creation order
      QCOMPARE(c->objectName(), QString(row.name));
      QCOMPARE(QString(c->metaObject()->className()), QString(QtClassOf(row.kind)));
      const QRect g = c->geometry();
      const QRect designed = Scaled(scale, row.place);
      QCOMPARE(g.topLeft(), designed.topLeft());
      QCOMPARE(g.height(), designed.height());
      // Labels size themselves to their text, within their place.
      if (row.kind == ControlKind::Label) {
        QCOMPARE(g.width(), c->sizeHint().width());
        QVERIFY2(g.width() <= designed.width(), row.name);
      } else {
        QCOMPARE(g.width(), designed.width());
      }
      QVERIFY2(area.contains(g), row.name);
      for (size_t j = 0; j < i; ++j) {
        const bool designOverlap = Scaled(scale, table[j].place).intersects(designed);
        QVERIFY2(designOverlap || !children[static_cast<qsizetype>(j)]->geometry().intersects(g),
                 qPrintable(QString("%1 overlaps %2").arg(row.name, table[j].name)));
      }
      const auto start = kStartTexts.find(row.name);
      if (start == kStartTexts.end())
        QCOMPARE(TextOf(c), QString::fromUtf8(row.text));
      else if (start->second)
        QCOMPARE(TextOf(c), QString::fromUtf8(start->second));
      QCOMPARE(c->toolTip(), QString::fromUtf8(row.hint));
      if (*row.hint) QCOMPARE(c->toolTipDuration(), design.hintHidePauseMs);
      QCOMPARE(c->isVisible(), true);
      if (row.tabOrder < 0) QCOMPARE(c->focusPolicy(), Qt::NoFocus);  // the walk: below
      QCOMPARE(c->font().bold(), row.style == stanzo::LabelStyle::Bold);
      QCOMPARE(c->font().underline(), row.style == stanzo::LabelStyle::Underline);
      if (auto* b = qobject_cast<QPushButton*>(c))
        QCOMPARE(b->icon().isNull(), row.picture == stanzo::Picture::None);
    }
    QCOMPARE(w.objectName(), QString(design.name));
    QCOMPARE(w.windowTitle(), QString(design.caption));
    QCOMPARE(w.font().pixelSize(), design.fontPixelHeight);
    QCOMPARE(w.pos(), QPoint(design.outer.left, design.outer.top));
  }

  void toolTipWaitsHalfASecond() {
    console_->Start();
    QCOMPARE(QApplication::style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay), 500);
  }

  void tabWalksEnabledControlsInOrder() {
    console_->Start();
    stanzo::TfrmMain& w = *console_->window;
    w.activateWindow();
    Child<QLineEdit>(w, "edHost")->setFocus();
    QTRY_VERIFY_WITH_TIMEOUT(Child<QLineEdit>(w, "edHost")->hasFocus(), 5000);
    // Unconnected: the six send controls are disabled and skipped; the
    // camera group has no selection, so Tab passes it by.
    const QStringList expected = {"memLog",       "butConnect",  "cboAdhoc",        "memLyric",
                                  "lstLyrics",    "memInit",     "butLineFromList", "butLyricOpen",
                                  "butInitOpen",  "butInitSave", "butLyricSave",    "cboLaunchCmd",
                                  "butHelpMasks", "butExec",     "Edit1",           "butCamEdit",
                                  "edHost"};
    // butToList is disabled at start (the queue is fresh).
    for (const QString& name : expected) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      QWidget* f = QApplication::focusWidget();
      QVERIFY(f);
      QWidget* owner = f;
      while (owner && owner->parentWidget() != w.findChild<QWidget*>("client"))
        owner = owner->parentWidget();
      QCOMPARE(owner ? owner->objectName() : QString("<none>"), name);
    }
  }

  void scrollBarsAppearWhenSmall() {
    console_->Start();
    stanzo::TfrmMain& w = *console_->window;
    auto* area = w.findChild<QScrollArea*>();
    QVERIFY(area);
    w.resize(1000, 700);
    QTRY_VERIFY(!area->horizontalScrollBar()->isVisible());
    QVERIFY(!area->verticalScrollBar()->isVisible());
    w.resize(400, 300);
    QTRY_VERIFY(area->horizontalScrollBar()->isVisible());
    QVERIFY(area->verticalScrollBar()->isVisible());
    // Nothing moves or grows with the window.
    QCOMPARE(Child<QLineEdit>(w, "edHost")->pos(), Scaled(w.LayoutScale(), {8, 8, 1, 1}).topLeft());
  }

  void edit1CannotBeEdited() {
    console_->Start();
    stanzo::TfrmMain& w = *console_->window;
    const QString before = Child<QLineEdit>(w, "Edit1")->text();
    Child<QLineEdit>(w, "Edit1")->setFocus();
    QTest::keyClicks(Child<QLineEdit>(w, "Edit1"), "xyz");
    QTest::keyClick(Child<QLineEdit>(w, "Edit1"), Qt::Key_Backspace);
    QCOMPARE(Child<QLineEdit>(w, "Edit1")->text(), before);
    QVERIFY(Child<QLineEdit>(w, "Edit1")->isReadOnly());
  }

  void radioGroupClickRules() {
    console_->WriteFile("stanzo.ini",
                        "[Cameras]\r\nCam3Title=Stage\r\nCam3Cmd=@m1 marq-marquee Stage\r\n");
    console_->Start();
    stanzo::RadioGroup* g = Child<stanzo::RadioGroup>(*console_->window, "grpCams");
    QCOMPARE(g->count(), 10);
    QCOMPARE(g->itemIndex(), -1);
    QCOMPARE(g->button(3)->text(), QString("Stage"));
    QCOMPARE(g->button(0)->text(), QString());
    g->setEnabled(true);
    QSignalSpy spy(g, &stanzo::RadioGroup::clicked);
    QTest::mouseClick(g->button(3), Qt::LeftButton);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toInt(), 3);
    QTest::mouseClick(g->button(3), Qt::LeftButton);  // already selected: nothing
    QCOMPARE(spy.count(), 1);
    QVERIFY(g->button(3)->isChecked());
    QTest::mouseClick(g->button(5), Qt::LeftButton);
    QCOMPARE(spy.count(), 2);
    QVERIFY(!g->button(3)->isChecked());
    g->setItemIndex(-1);  // cleared: the same camera can be chosen again
    QVERIFY(!g->button(5)->isChecked());
    QTest::mouseClick(g->button(5), Qt::LeftButton);
    QCOMPARE(spy.count(), 3);
  }

  void camerasAreRadioButtonsToScreenReaders() {
    console_->Start();
    stanzo::RadioGroup* g = Child<stanzo::RadioGroup>(*console_->window, "grpCams");
    g->setEnabled(true);
    // What the accessibility layer reports: role, and which one is checked.
    auto reported = [g] {
      QString out;
      for (int i = 0; i < g->count(); ++i) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(g->button(i));
        if (!a || a->role() != QAccessible::RadioButton) return QString("not a radio button");
        out += a->state().checked ? "x" : "-";
      }
      return out;
    };
    QCOMPARE(reported(), QString("----------"));
    QTest::mouseClick(g->button(2), Qt::LeftButton);
    QCOMPARE(reported(), QString("--x-------"));
    QTest::mouseClick(g->button(7), Qt::LeftButton);
    QCOMPARE(reported(), QString("-------x--"));
    g->setItemIndex(-1);
    QCOMPARE(reported(), QString("----------"));
  }

  void labelsFitTheirPlaces() {
    console_->Start();
    stanzo::TfrmMain& w = *console_->window;
    QWidget* client = w.findChild<QWidget*>("client");
    const auto controls = client->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    for (const ControlSpec& row : MainWindowControls()) {
      if (row.kind != ControlKind::Label) continue;
      auto* label = w.findChild<QLabel*>(row.name);
      QVERIFY(label);
      // The file-name labels are designed for their own names.
      QLabel designed(QString(row.name).startsWith("lbl") ? row.name : row.text);
      designed.setFont(label->font());
      QVERIFY2(designed.sizeHint().width() <= Scaled(w.LayoutScale(), row.place).width(), row.name);
      for (QWidget* other : controls)
        QVERIFY2(other == label || !other->geometry().intersects(label->geometry()),
                 qPrintable(QString("%1 overlaps %2").arg(row.name, other->objectName())));
    }
  }

  void theLogTakesNotesAndRepliesGoToItsEnd() {
    console_->Start();
    stanzo::TfrmMain& w = *console_->window;
    Child<QPlainTextEdit>(w, "memLog")->setFocus();
    Child<QPlainTextEdit>(w, "memLog")->moveCursor(QTextCursor::Start);
    QTest::keyClicks(Child<QPlainTextEdit>(w, "memLog"), "note ");
    console_->core->LogEvent("R", "one");
    QCOMPARE(Child<QPlainTextEdit>(w, "memLog")->toPlainText(),
             QString("note VLC Events & Messages:\nR one"));
    QTest::keyClick(Child<QPlainTextEdit>(w, "memLog"), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(Child<QPlainTextEdit>(w, "memLog"), Qt::Key_Delete);
    QCOMPARE(Child<QPlainTextEdit>(w, "memLog")->toPlainText(), QString());
    console_->core->LogEvent("R", "two");
    QTest::keyClick(Child<QPlainTextEdit>(w, "memLog"), Qt::Key_Z,
                    Qt::ControlModifier);  // a reply is never undone
    QCOMPARE(Child<QPlainTextEdit>(w, "memLog")->toPlainText(), QString("R two"));
  }

  void firstStartInAnEmptyDirectory() {
    console_->Start();
    stanzo::TfrmMain& w = *console_->window;
    QCOMPARE(Child<QLineEdit>(w, "edHost")->text(), QString("localhost:2323"));
    QCOMPARE(stanzo::EditorText(Child<QPlainTextEdit>(w, "memInit")),
             std::string("@m1 marq-position 0\n@m1 marq-size 50\n@m1 marq-refresh 100\n"
                         "@m2 marq-position 8\n@m2 marq-size 20\n@m2 marq-refresh 100\n"));
    QCOMPARE(Child<QListWidget>(w, "lstLyrics")->count(), 17);
    QCOMPARE(Child<QListWidget>(w, "lstLyrics")->currentRow(), 0);
    QVERIFY(Child<QPushButton>(w, "butInitSave")->isEnabled());
    QVERIFY(Child<QPushButton>(w, "butLyricSave")->isEnabled());
    QVERIFY(!Child<QPushButton>(w, "butToList")->isEnabled());
    for (QWidget* c : {static_cast<QWidget*>(Child<QPushButton>(w, "butSendInit")),
                       static_cast<QWidget*>(Child<QPushButton>(w, "butSlide")),
                       static_cast<QWidget*>(Child<QPushButton>(w, "butSlideBack")),
                       static_cast<QWidget*>(Child<QPushButton>(w, "butSendAdhoc")),
                       static_cast<QWidget*>(Child<QPushButton>(w, "butTest")),
                       static_cast<QWidget*>(Child<stanzo::RadioGroup>(w, "grpCams"))})
      QVERIFY2(!c->isEnabled(), qPrintable(c->objectName()));
    QCOMPARE(console_->ReadFile("stanzo.ini"), std::string("<missing>"));
    // Closing asks twice; Yes creates both files beside the executable.
    QVERIFY(w.close());
    QCOMPARE(console_->dialogs->calls.size(), size_t{2});
    QCOMPARE(console_->dialogs->calls[0].caption, std::string("Init Strings not saved"));
    QCOMPARE(console_->dialogs->calls[0].text,
             std::string("Save init commands to Init.txt before exiting?"));
    QCOMPARE(console_->dialogs->calls[1].caption, std::string("Lyrics not saved"));
    QCOMPARE(console_->dialogs->calls[1].text,
             std::string("Save lyrics to Lyrics.txt before exiting?"));
    QCOMPARE(console_->ReadFile("Init.txt").substr(0, 21), std::string("@m1 marq-position 0\r\n"));
    QVERIFY(console_->ReadFile("Lyrics.txt") != "<missing>");
    QCOMPARE(console_->ReadFile("Stanzo-SentToVLC.txt"), std::string());
  }

  void typingTheHostWritesTheSetting() {
    console_->Start();
    stanzo::TfrmMain& w = *console_->window;
    Child<QLineEdit>(w, "edHost")->selectAll();
    QTest::keyClicks(Child<QLineEdit>(w, "edHost"), "ab");
    QVERIFY(console_->ReadFile("stanzo.ini").find("Host=ab") != std::string::npos);
    QTest::keyClicks(Child<QLineEdit>(w, "edHost"), "c");
    QCOMPARE(console_->core->SettingsFile().ReadString("Stanzo", "Host", ""), std::string("abc"));
  }

  void badHostTextsShowTheConversionError_data() {
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("message");
    QTest::newRow("empty port") << "h:"
                                << "'' is not a valid integer value.";
    QTest::newRow("second colon") << "a:b:c"
                                  << "'b:c' is not a valid integer value.";
    QTest::newRow("letters") << "h:12x"
                             << "'12x' is not a valid integer value.";
    QTest::newRow("too large after the 9-character cut")
        << "127.0.0.1:1234567890"
        << "Socket Error # 22\r\nInvalid argument.";
  }
  void badHostTextsShowTheConversionError() {
    QFETCH(QString, host);
    QFETCH(QString, message);
    console_->Start();
    stanzo::TfrmMain& w = *console_->window;
    Child<QLineEdit>(w, "edHost")->setText(host);
    Console::Click(Child<QPushButton>(w, "butConnect"));
    QCOMPARE(console_->dialogs->Errors().size(), size_t{1});
    QCOMPARE(QString::fromStdString(console_->dialogs->Errors()[0]), message);
    QCOMPARE(Child<QPushButton>(w, "butConnect")->text(), QString("Connect"));
    QVERIFY(!console_->core->IsConnected());
  }

  void adhocCommandsAndTheirHistory() {
    StandinPlayer player;
    console_->Start();
    stanzo::TfrmMain& w = *console_->window;
    console_->ConnectTo(player);
    QVERIFY(console_->core->IsConnected());
    QCOMPARE(Child<QPushButton>(w, "butConnect")->text(), QString("Disconnect"));
    QVERIFY(Child<QPlainTextEdit>(w, "memLog")->toPlainText().endsWith("E Connected"));
    for (const char* cmd : {"A", "B", "A"}) {
      Child<stanzo::SimpleComboBox>(w, "cboAdhoc")->setEditText(cmd);
      Console::Click(Child<QPushButton>(w, "butSendAdhoc"));
    }
    QVERIFY(player.WaitForLines(3, 5s));
    QCOMPARE(player.LineTexts(), (std::vector<std::string>{"A", "B", "A"}));
    QCOMPARE(Child<stanzo::SimpleComboBox>(w, "cboAdhoc")->count(), 3);
    QCOMPARE(Child<stanzo::SimpleComboBox>(w, "cboAdhoc")->itemText(0), QString("A"));
    QCOMPARE(Child<stanzo::SimpleComboBox>(w, "cboAdhoc")->itemText(1), QString("B"));
    QCOMPARE(Child<stanzo::SimpleComboBox>(w, "cboAdhoc")->itemText(2), QString("A"));
    // The same command again leaves one entry; an empty box sends nothing.
    Console::Click(Child<QPushButton>(w, "butSendAdhoc"));
    QCOMPARE(Child<stanzo::SimpleComboBox>(w, "cboAdhoc")->count(), 3);
    Child<stanzo::SimpleComboBox>(w, "cboAdhoc")->setEditText("");
    Console::Click(Child<QPushButton>(w, "butSendAdhoc"));
    QVERIFY(player.WaitForLines(4, 5s));
    QVERIFY(!player.WaitForLines(5, 300ms));
    QCOMPARE(Child<stanzo::SimpleComboBox>(w, "cboAdhoc")->count(), 3);
    QVERIFY(console_->dialogs->Errors().empty());
    // The history survives a restart, newest first.
    QVERIFY(w.close());
    QCOMPARE(console_->ReadFile("Stanzo-SentToVLC.txt"), std::string("A\r\nB\r\nA\r\n"));
  }

  void aReplyChunkIsOneLogEntry() {
    StandinPlayer::Options o;
    o.greeting.clear();
    StandinPlayer player(o);
    console_->Start();
    stanzo::TfrmMain& w = *console_->window;
    console_->ConnectTo(player);
    QVERIFY(player.WaitForClients(1, 5s));
    player.Send("one\r\ntwo\r\nthree");
    QTRY_VERIFY_WITH_TIMEOUT(Child<QPlainTextEdit>(w, "memLog")->toPlainText().endsWith("three"),
                             5000);
    QCOMPARE(Child<QPlainTextEdit>(w, "memLog")->toPlainText(),
             QString("VLC Events & Messages:\nE Connected\nR one\ntwo\nthree"));
  }

  void disconnectAndPlayerLoss() {
    StandinPlayer player;
    console_->Start();
    stanzo::TfrmMain& w = *console_->window;
    console_->ConnectTo(player);
    QVERIFY(console_->core->IsConnected());
    QVERIFY(Child<QPushButton>(w, "butSlide")->isEnabled());
    Console::Click(Child<QPushButton>(w, "butConnect"));
    QVERIFY(!console_->core->IsConnected());
    QVERIFY(Child<QPlainTextEdit>(w, "memLog")->toPlainText().endsWith("E Disconnected"));
    QVERIFY(!Child<QPushButton>(w, "butSlide")->isEnabled());
    QCOMPARE(Child<QPushButton>(w, "butConnect")->text(), QString("Connect"));
    // The player quits: seen within a few ticks.
    console_->ConnectTo(player);
    QVERIFY(console_->core->IsConnected());
    QVERIFY(player.WaitForClients(2, 5s));
    player.CloseAll();
    QTRY_VERIFY_WITH_TIMEOUT(!console_->core->IsConnected(), 5000);
    QVERIFY(Child<QPlainTextEdit>(w, "memLog")->toPlainText().endsWith("E Disconnected"));
    QVERIFY(!Child<QPushButton>(w, "butSendInit")->isEnabled());
    QVERIFY(console_->dialogs->Errors().empty());
  }

  void aResetLinkEndsDisconnected() {
    StandinPlayer player;
    console_->Start();
    stanzo::TfrmMain& w = *console_->window;
    console_->ConnectTo(player);
    QVERIFY(player.WaitForClients(1, 5s));
    player.ResetAll();
    // Whichever sees the reset first, the poll or a send, the window ends
    // disconnected and says so once.
    QTRY_VERIFY_WITH_TIMEOUT(!console_->core->IsConnected(), 5000);
    QCOMPARE(Child<QPlainTextEdit>(w, "memLog")->toPlainText().count("E Disconnected"), 1);
    QCOMPARE(Child<QPushButton>(w, "butConnect")->text(), QString("Connect"));
  }

  // A file that cannot be saved at close never traps the operator: the
  // error, then the choice to close without it (Y) or to stay (N).
  void closeWhenAFileCannotBeSaved_data() {
    QTest::addColumn<QString>("blocked");  // a directory where this file belongs
    QTest::addColumn<QString>("answers");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<QString>("dialogs");
    const QString initQuestion = "ask Init Strings not saved|ask Lyrics not saved|";
    QTest::newRow("history, stay")
        << "Stanzo-SentToVLC.txt"
        << "N" << false << "error|confirm Close without saving the history?|";
    QTest::newRow("history, close")
        << "Stanzo-SentToVLC.txt"
        << "YNN" << true << "error|confirm Close without saving the history?|" + initQuestion;
    QTest::newRow("init file, stay") << "Init.txt"
                                     << "YN" << false
                                     << "ask Init Strings not saved|error|"
                                        "confirm Close without saving Init.txt?|";
    QTest::newRow("init file, close") << "Init.txt"
                                      << "YYN" << true
                                      << "ask Init Strings not saved|error|"
                                         "confirm Close without saving Init.txt?|"
                                         "ask Lyrics not saved|";
  }
  void closeWhenAFileCannotBeSaved() {
    QFETCH(QString, blocked);
    QFETCH(QString, answers);
    QFETCH(bool, closes);
    QFETCH(QString, dialogs);
    QVERIFY(QDir(console_->dir.path()).mkdir(blocked));
    console_->Start();
    stanzo::TfrmMain& w = *console_->window;
    for (QChar a : answers) console_->dialogs->answers.push_back(a == 'Y');
    QCOMPARE(w.close(), closes);
    QString shown;
    for (const auto& c : console_->dialogs->calls)
      shown += QString::fromStdString(c.kind == "error"     ? c.kind
                                      : c.kind == "confirm" ? c.kind + " " + c.text
                                                            : c.kind + " " + c.caption) +
               "|";
    QCOMPARE(shown, dialogs);
    if (closes) return;
    QVERIFY(w.isVisible());
    QVERIFY(Child<QPushButton>(w, "butInitSave")->isEnabled());  // still unsaved: nothing was lost
    // Once the file can be written, the next close starts from the top.
    QVERIFY(QDir(console_->dir.path()).rmdir(blocked));
    console_->dialogs->answers = {false, false};
    QVERIFY(w.close());
  }

  void errorTextRule_data() {
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    QTest::newRow("letter") << "Not Connected"
                            << "Not Connected.";
    QTest::newRow("digit") << "code 7"
                           << "code 7.";
    QTest::newRow("full stop") << "Connection refused."
                               << "Connection refused.";
    QTest::newRow("bang") << "Stop!"
                          << "Stop!";
    QTest::newRow("paren") << "(x)"
                           << "(x)";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("high byte") << "caf\xc3\xa9"
                               << "caf\xc3\xa9.";
  }
  void errorTextRule() {
    QFETCH(QString, message);
    QFETCH(QString, shown);
    QCOMPARE(QString::fromStdString(stanzo::ErrorDisplayText(message.toStdString())), shown);
  }

 private:
  std::unique_ptr<Console> console_;
};

int main(int argc, char** argv) {
  stanzo::StanzoApplication app(argc, argv);
  MainWindowTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "main_window_test.moc"
