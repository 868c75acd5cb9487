// The presentation controls of the window, pressed as an operator presses
// them, with a stand-in player receiving what the console sends.
#include <QAction>
#include <QComboBox>
#include <QDropEvent>
#include <QListWidget>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <QUrl>
#include <chrono>

#include "app/application.h"
#include "gui_fixture.h"

using namespace std::chrono_literals;
using stanzo::StandinPlayer;
using stanzo::testing::Child;
using stanzo::testing::Console;
using Lines = std::vector<std::string>;

namespace {

const char kMain[] = "@m1 marq-marquee ";
const char kPreview[] = "@m2 marq-marquee ";

void PutCaret(QPlainTextEdit* editor, int position, int anchor = -1) {
  QTextCursor c = editor->textCursor();
  c.setPosition(anchor < 0 ? position : anchor);
  if (anchor >= 0) c.setPosition(position, QTextCursor::KeepAnchor);
  editor->setTextCursor(c);
}

}  // namespace

class PresentationWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    console_ = std::make_unique<Console>();
    StandinPlayer::Options o;
    o.greeting.clear();
    player_ = std::make_unique<StandinPlayer>(o);
  }
  void cleanup() {
    console_.reset();
    player_.reset();
  }

  void sendInitSendsTheDefaultsInOrder() {
    Start();
    Console::Click(Child<QPushButton>(w(), "butSendInit"));
    QVERIFY(player_->WaitForLines(6, 5s));
    QCOMPARE(player_->LineTexts(),
             (Lines{"@m1 marq-position 0", "@m1 marq-size 50", "@m1 marq-refresh 100",
                    "@m2 marq-position 8", "@m2 marq-size 20", "@m2 marq-refresh 100"}));
    QCOMPARE(Child<stanzo::SimpleComboBox>(w(), "cboAdhoc")->itemText(0),
             QString("@m2 marq-refresh 100"));
  }

  // The queue example: every press, the lines received and the selection.
  void fivePressesOfTheSlideButton() {
    Start();
    SetQueue("A\nB$_C\n\n@m1 marq-size 30\\\nD\nE\\\nF\n");
    const struct {
      Lines sent;
      int selection;
    } presses[] = {
        {{M("A"), P("BC")}, 1},
        {{M("B$_C"), P("$_")}, 2},
        {{M("$_"), P("D")}, 3},
        {{"@m1 marq-size 30", M("D"), P("E")}, 5},
        {{M("$_"), P("$_"), M("F"), P("$_")}, -1},
    };
    size_t total = 0;
    for (const auto& press : presses) {
      Console::Click(Child<QPushButton>(w(), "butSlide"));
      total += press.sent.size();
      QVERIFY(player_->WaitForLines(total, 5s));
      const Lines all = player_->LineTexts();
      QCOMPARE(Lines(all.end() - static_cast<long>(press.sent.size()), all.end()), press.sent);
      QCOMPARE(Selected(), press.selection);
    }
    // With no selection the slide and back buttons do nothing.
    Console::Click(Child<QPushButton>(w(), "butSlide"));
    Console::Click(Child<QPushButton>(w(), "butSlideBack"));
    QVERIFY(!player_->WaitForLines(total + 1, 300ms));
  }

  void backGoesToTheStartOfThePreviousSlide() {
    Start();
    SetQueue("A\nB$_C\n\n@m1 marq-size 30\\\nD\nE\\\nF\n");
    Child<QListWidget>(w(), "lstLyrics")->setCurrentRow(5);
    Console::Click(Child<QPushButton>(w(), "butSlideBack"));
    QVERIFY(player_->WaitForLines(2, 5s));
    QCOMPARE(player_->LineTexts(), (Lines{M("$_"), P("D")}));
    QCOMPARE(Selected(), 3);
    // Keypad 0 on the focused slide button does the same.
    Child<QListWidget>(w(), "lstLyrics")->setCurrentRow(1);
    Child<QPushButton>(w(), "butSlide")->setFocus();
    QTest::keyClick(Child<QPushButton>(w(), "butSlide"), Qt::Key_0, Qt::KeypadModifier);
    QVERIFY(player_->WaitForLines(4, 5s));
    QCOMPARE(player_->LineTexts()[2], M("A"));
    QCOMPARE(Selected(), 1);
    // The top-row 0 is not the keypad's.
    QTest::keyClick(Child<QPushButton>(w(), "butSlide"), Qt::Key_0);
    QVERIFY(!player_->WaitForLines(5, 300ms));
  }

  // A presentation clicker: PageDown, PageUp, "." and "B" act outside the
  // text fields, where they type or scroll as before.
  void clickerKeysWorkOutsideTextFields() {
    Start();
    SetQueue("A\nB\nC\n");
    w().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w()));
    auto* lyric = Child<QPlainTextEdit>(w(), "memLyric");
    lyric->setFocus();
    QTest::keyClick(lyric, Qt::Key_PageDown);
    QTest::keyClick(lyric, Qt::Key_B);
    QVERIFY(!player_->WaitForLines(1, 200ms));
    QVERIFY(lyric->toPlainText().contains('b'));  // typed, as ever
    auto* list = Child<QListWidget>(w(), "lstLyrics");
    list->setFocus();
    for (const Qt::Key key : {Qt::Key_PageDown, Qt::Key_Period, Qt::Key_PageDown, Qt::Key_PageUp})
      QTest::keyClick(list, key);
    QVERIFY(player_->WaitForLines(8, 5s));
    QCOMPARE(player_->LineTexts(),
             (Lines{M("A"), P("B"), M("$_"), P("$_"), M("B"), P("C"), M("A"), P("B")}));
    QCOMPARE(Selected(), 1);
  }

  void initLinesInTheScriptReRunMatchingCommands() {
    Start();
    SetQueue("{init}@m2*\nnext\n");
    Console::Click(Child<QPushButton>(w(), "butSlide"));
    QVERIFY(player_->WaitForLines(3, 5s));
    QCOMPARE(player_->LineTexts(),
             (Lines{"@m2 marq-position 8", "@m2 marq-size 20", "@m2 marq-refresh 100"}));
    QCOMPARE(Selected(), 1);
  }

  void anInvalidMaskIsShownAndNothingIsSent() {
    Start();
    SetQueue("{INIT}[abc\nnext\n");
    Console::Click(Child<QPushButton>(w(), "butSlide"));
    QCOMPARE(console_->dialogs->Errors(), (Lines{"'[abc' is an invalid mask at (5)"}));
    QCOMPARE(Selected(), 0);
    QVERIFY(!player_->WaitForLines(1, 300ms));
  }

  void theSampleScriptsSpeakerLines() {
    Start();
    // Line 12 of the sample is "Speaker", followed by "Where from\".
    Child<QListWidget>(w(), "lstLyrics")->setCurrentRow(11);
    Console::Click(Child<QPushButton>(w(), "butSlide"));
    QVERIFY(player_->WaitForLines(2, 5s));
    QCOMPARE(player_->LineTexts(), (Lines{M("Speaker"), P("Where from")}));
    Console::Click(Child<QPushButton>(w(), "butSlide"));
    QVERIFY(player_->WaitForLines(4, 5s));
    QCOMPARE(player_->LineTexts()[2], M("$_"));
    QCOMPARE(player_->LineTexts()[3], P("$_"));
    // ...and goes on at once with the empty line after it.
    QVERIFY(player_->WaitForLines(6, 5s));
    QCOMPARE(player_->LineTexts()[4], M("$_"));
    QCOMPARE(Selected(), 14);
  }

  void aFailedSendKeepsTheSelection() {
    Start();
    SetQueue("one\ntwo\n");
    player_->ResetAll();
    QTRY_VERIFY_WITH_TIMEOUT(!console_->core->IsConnected(), 5000);
    // The buttons are disabled now; a send through the channel fails.
    Child<QPushButton>(w(), "butSlide")->setEnabled(true);
    Console::Click(Child<QPushButton>(w(), "butSlide"));
    QCOMPARE(console_->dialogs->Errors().size(), size_t{1});
    QCOMPARE(Selected(), 0);
  }

  void copyToQueueFollowsTheCaretLine() {
    Start();
    QPlainTextEdit* ed = Child<QPlainTextEdit>(w(), "memLyric");
    ed->setPlainText("l0\nl1\nl2\n");
    QVERIFY(Child<QPushButton>(w(), "butToList")->isEnabled());
    const struct {
      int position, anchor, selection;
    } cases[] = {
        {0, -1, 0},  // caret at the start
        {4, -1, 1},  // caret inside line 1
        {5, 3, 1},   // "l1" selected
        {6, 3, 2},   // "l1" selected with its break: the next line
    };
    for (const auto& c : cases) {
      ed->setPlainText("l0\nl1\nl2\n");  // an edit makes the queue stale again
      PutCaret(ed, c.position, c.anchor);
      Console::Click(Child<QPushButton>(w(), "butToList"));
      QCOMPARE(Child<QListWidget>(w(), "lstLyrics")->count(), 3);
      QCOMPARE(Selected(), c.selection);
      QVERIFY(!Child<QPushButton>(w(), "butToList")->isEnabled());
    }
    ed->setPlainText(QString::fromUtf8("\xc3\xa9\xc3\xa9\nl1\n"));
    PutCaret(ed, 3);  // characters, not bytes: the start of line 1
    Console::Click(Child<QPushButton>(w(), "butToList"));
    QCOMPARE(Selected(), 1);
    ed->setPlainText("l0\nl1\nl2\n");
    PutCaret(ed, 9);  // the empty last line: no selection
    Console::Click(Child<QPushButton>(w(), "butToList"));
    QCOMPARE(Selected(), -1);
    // "<#" puts the caret at the start of the queue's line.
    Child<QListWidget>(w(), "lstLyrics")->setCurrentRow(2);
    Console::Click(Child<QPushButton>(w(), "butLineFromList"));
    QCOMPARE(ed->textCursor().position(), 6);
    QCOMPARE(ed->textCursor().selectionEnd(), 6);
  }

  // Song files dropped on the lyric editor, or chosen with Insert Song
  // (its context menu, Ctrl+O): one edit at the caret's line, one undo.
  void songsGoInByDropAndInsertSong() {
    console_->WriteFile("a.cho", "{title: A}\n[C]Sun [G]up\n");
    console_->WriteFile("b.xml", "<song><lyrics></song>");
    Start();
    QPlainTextEdit* ed = Child<QPlainTextEdit>(w(), "memLyric");
    ed->setPlainText("one\ntwo\n");
    PutCaret(ed, 5);
    Child<QPushButton>(w(), "butLyricSave")->setEnabled(false);

    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(console_->Path("a.cho")))});
    QWidget* target = ed->viewport();
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    QCOMPARE(ed->toPlainText(), QString("one\n\nSun up\n\ntwo\n"));
    QCOMPARE(ed->textCursor().blockNumber(), 2);
    QVERIFY(Child<QPushButton>(w(), "butLyricSave")->isEnabled());
    ed->undo();
    QCOMPARE(ed->toPlainText(), QString("one\ntwo\n"));

    // The context menu holds the item, with its shortcut.
    QString items;
    QTimer::singleShot(0, [&] {
      if (QWidget* menu = QApplication::activePopupWidget()) {
        for (QAction* a : menu->actions()) items += a->text() + "|";
        menu->close();
      }
    });
    emit ed->customContextMenuRequested(QPoint(5, 5));
    QVERIFY(items.endsWith("Insert Song...\tCtrl+O|"));
    console_->dialogs->fileLists = {{console_->Path("b.xml"), console_->Path("a.cho")}};
    PutCaret(ed, 0);
    w().findChild<QAction*>("mnuInsertSong")->trigger();
    QCOMPARE(ed->toPlainText(), QString("Sun up\n\none\ntwo\n"));
    QCOMPARE(console_->dialogs->Errors().size(), size_t{1});
    QVERIFY(console_->dialogs->Errors()[0].find("b.xml: XML error at line 1") != std::string::npos);

    ed->setFocus();
    QTest::keyClick(ed, Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(console_->dialogs->calls.back().kind, std::string("open files"));
    QCOMPARE(ed->toPlainText(), QString("Sun up\n\none\ntwo\n"));  // cancelled
  }

  void ctrlFSearchesAfterTheCaret() {
    Start();
    QPlainTextEdit* ed = Child<QPlainTextEdit>(w(), "memLyric");
    ed->setPlainText("abc abc");
    PutCaret(ed, 0);
    ed->setFocus();
    console_->dialogs->prompts = {std::string("ABC")};
    QTest::keyClick(ed, Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(ed->textCursor().selectionStart(), 4);
    QCOMPARE(ed->textCursor().selectedText(), QString("abc"));
    QCOMPARE(console_->core->LastSearchText(), std::string("ABC"));
    // Find again: not found after offset 4, wrap, found at 4 once more.
    QTest::keyClick(ed, Qt::Key_F3, Qt::ControlModifier);
    QCOMPARE(console_->dialogs->calls.back().kind, std::string("confirm"));
    QCOMPARE(console_->dialogs->calls.back().text,
             std::string("Search text not found.  Do you want to try again from the top of "
                         "the document?"));
    QCOMPARE(ed->textCursor().selectionStart(), 4);
    // F3 without Ctrl, and Ctrl+F on another control, do nothing here.
    const size_t calls = console_->dialogs->calls.size();
    QTest::keyClick(ed, Qt::Key_F3);
    QTest::keyClick(Child<QPlainTextEdit>(w(), "memInit"), Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(console_->dialogs->calls.size(), calls);
    // Not found from the top: a plain message, no question.
    PutCaret(ed, 0);
    console_->dialogs->prompts = {std::string("zzz")};
    QTest::keyClick(ed, Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(console_->dialogs->calls.back().kind, std::string("message"));
    QCOMPARE(console_->dialogs->calls.back().text, std::string("Search text not found."));
    // Characters the editor holds escaped (two of its own characters for
    // one of the text) do not shift the match.
    ed->setPlainText(stanzo::ToEditorWidget("\xEE\x80\x81\xEE\x80\x80 abc"));
    PutCaret(ed, 0);
    console_->dialogs->prompts = {std::string("abc")};
    QTest::keyClick(ed, Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(ed->textCursor().selectedText(), QString("abc"));
  }

  void camerasSendTheirCommandAtClickTime() {
    console_->WriteFile("stanzo.ini",
                        "[Cameras]\nCam3Title=Stage\nCam3Cmd=@m1 marq-marquee Stage\n");
    Start();
    QVERIFY(Child<stanzo::RadioGroup>(w(), "grpCams")->isEnabled());
    QTest::mouseClick(Child<stanzo::RadioGroup>(w(), "grpCams")->button(0),
                      Qt::LeftButton);  // no command
    QTest::mouseClick(Child<stanzo::RadioGroup>(w(), "grpCams")->button(3), Qt::LeftButton);
    QVERIFY(player_->WaitForLines(1, 5s));
    QCOMPARE(player_->LineTexts(), (Lines{"@m1 marq-marquee Stage"}));
    QTest::mouseClick(Child<stanzo::RadioGroup>(w(), "grpCams")->button(3),
                      Qt::LeftButton);  // already selected
    QVERIFY(!player_->WaitForLines(2, 300ms));
  }

  void editCamerasWaitsForTheEditorAndReloads() {
    Start();
    // The stand-in editor writes a title into the file it is given.
    const std::string script = console_->Path("editor.sh");
    console_->WriteFile("editor.sh",
                        "#!/bin/sh\nprintf '[Cameras]\\nCam0Title=Wide\\n' > \"$1\"\n");
    QFile::setPermissions(QString::fromStdString(script),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("VISUAL", QByteArray::fromStdString(script));
    QTest::mouseClick(Child<stanzo::RadioGroup>(w(), "grpCams")->button(2), Qt::LeftButton);
    Console::Click(Child<QPushButton>(w(), "butCamEdit"));
    qunsetenv("VISUAL");
    QCOMPARE(Child<stanzo::RadioGroup>(w(), "grpCams")->button(0)->text(), QString("Wide"));
    QCOMPARE(Child<stanzo::RadioGroup>(w(), "grpCams")->itemIndex(), -1);
  }

  void stressTestSendsTheWholeSequence() {
    Start();
    Console::Click(Child<QPushButton>(w(), "butTest"));
    QVERIFY(player_->WaitForLines(308, 20s));
    const Lines lines = player_->LineTexts();
    QCOMPARE(lines.size(), size_t{308});
    QCOMPARE(lines[0], std::string("@m1 marq-marquee Hi"));
    QCOMPARE(lines[4], std::string("@m1 marq-x 1"));
    QCOMPARE(lines[5], std::string("@m1 marq-y 1"));
    QCOMPARE(lines[203], std::string("@m1 marq-y 100"));
    QCOMPARE(lines[307], std::string("@m1 marq-marquee 100"));
    QCOMPARE(console_->pauses.size(), size_t{200});
    QCOMPARE(Child<stanzo::SimpleComboBox>(w(), "cboAdhoc")->itemText(0),
             QString("@m1 marq-marquee 100"));
  }

  void closingTheWindowEndsTheStressTest() {
    Start();
    console_->dialogs->answers = {false, false};
    // The first pause closes the window, as an operator would mid-run.
    bool closed = false;
    console_->onPause = [&] {
      if (!closed) closed = w().close();
    };
    Console::Click(Child<QPushButton>(w(), "butTest"));
    QVERIFY(closed);
    QVERIFY(player_->WaitForLines(6, 5s));
    QVERIFY(!player_->WaitForLines(7, 300ms));  // set-up and one step, then nothing
  }

  // The window closes while the first send of a run handles events: the
  // rest of the run, and a camera click queued behind the close, send
  // nothing; the saved history holds exactly what went out.
  void nothingIsSentAfterTheWindowCloses_data() {
    QTest::addColumn<QString>("queue");  // empty: press Send Init
    QTest::addColumn<bool>("camera");
    QTest::newRow("Send Init") << "" << false;
    QTest::newRow("init re-run") << "{INIT}*\n" << false;
    QTest::newRow("continuation chain") << "A\\\nB\nC\n" << false;
    QTest::newRow("camera click") << "A\nB\n" << true;
  }
  void nothingIsSentAfterTheWindowCloses() {
    QFETCH(QString, queue);
    QFETCH(bool, camera);
    console_->WriteFile("stanzo.ini", "[Cameras]\r\nCam3Cmd=@m1 marq-marquee Cam\r\n");
    Start();
    if (!queue.isEmpty()) SetQueue(queue.toUtf8().constData());
    console_->dialogs->answers = {false, false};
    QMetaObject::invokeMethod(&w(), &QWidget::close, Qt::QueuedConnection);
    if (camera)
      QMetaObject::invokeMethod(
          &w(), [this] { Child<stanzo::RadioGroup>(w(), "grpCams")->button(3)->click(); },
          Qt::QueuedConnection);
    (queue.isEmpty() ? Child<QPushButton>(w(), "butSendInit") : Child<QPushButton>(w(), "butSlide"))
        ->click();
    QVERIFY(!w().isVisible());
    QVERIFY(player_->WaitForLines(1, 5s));
    QVERIFY(!player_->WaitForLines(2, 300ms));
    QCOMPARE(console_->ReadFile("Stanzo-SentToVLC.txt"), player_->LineTexts()[0] + "\r\n");
    QVERIFY(console_->dialogs->Errors().empty());
  }

  void executeRunsAndRemembersTheCommand() {
    Start();
    QComboBox* box = Child<QComboBox>(w(), "cboLaunchCmd");
    QCOMPARE(box->count(), 1);  // the default launch command
    const QString marker = console_->dir.path() + "/ran";
    const QString command = "touch '" + marker + "'";
    box->setEditText(command);
    Console::Click(Child<QPushButton>(w(), "butExec"));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(marker), 5000);
    QCOMPARE(box->count(), 2);
    QCOMPARE(box->itemText(0), command);
    Console::Click(Child<QPushButton>(w(), "butExec"));
    QCOMPARE(box->count(), 2);
    console_->dialogs->answers = {false, false};
    QVERIFY(w().close());
    QVERIFY(console_->ReadFile("Stanzo-LaunchHist.txt").rfind(command.toStdString() + "\r\n", 0) ==
            0);
  }

  void executeLogsWhatCannotStartOrFailsAtOnce() {
    Start();
    struct {
      QString command;
      QString logEnd;
    } cases[] = {
        {"stanzo-no-such-program --x",
         "E Not started (No such file or directory): stanzo-no-such-program --x"},
        {"sh -c 'exit 4'", "E Ended with exit code 4: sh -c 'exit 4'"},
    };
    for (const auto& c : cases) {
      Child<QComboBox>(w(), "cboLaunchCmd")->setEditText(c.command);
      Console::Click(Child<QPushButton>(w(), "butExec"));
      QTRY_VERIFY_WITH_TIMEOUT(
          Child<QPlainTextEdit>(w(), "memLog")->toPlainText().endsWith(c.logEnd), 5000);
    }
    QCOMPARE(console_->dialogs->calls.size(), size_t{0});  // no message box
  }

  // Characters the text widgets take as paragraph ends, and a second
  // byte-order mark, come back on disk and reach the player unchanged.
  void scriptFilesComeBackByteForByte() {
    const std::string odd =
        "\xEF\xBB\xBF\xEF\xBB\xBF"
        "a\xE2\x80\xA9"
        "b\xEF\xB7\x90"
        "c\xEF\xB7\x91\xEE\x80\x81\xEE\x80\x80!\r\n";
    console_->WriteFile("Lyrics.txt", odd);
    Start();
    Child<QPushButton>(w(), "butLyricSave")->setEnabled(true);
    Console::Click(Child<QPushButton>(w(), "butLyricSave"));
    QCOMPARE(console_->ReadFile("Lyrics.txt"), odd);
    QCOMPARE(Child<QListWidget>(w(), "lstLyrics")->count(), 1);
    Console::Click(Child<QPushButton>(w(), "butSlide"));
    QVERIFY(player_->WaitForLines(2, 5s));
    QCOMPARE(player_->LineTexts().front(), M(odd.substr(3, odd.size() - 5)));
  }

  void savingOverAFileCutAtItsNulAsksFirst() {
    const std::string old("keep\r\n\0tail", 11);
    console_->WriteFile("Init.txt", old);
    Start();
    QCOMPARE(stanzo::EditorText(Child<QPlainTextEdit>(w(), "memInit")), std::string("keep\n"));
    Child<QPlainTextEdit>(w(), "memInit")->setPlainText("edited\n");
    auto& d = *console_->dialogs;
    for (const bool yes : {false, true}) {
      d.answers = {yes};
      Console::Click(Child<QPushButton>(w(), "butInitSave"));
      QCOMPARE(d.calls.back().kind, std::string("confirm"));
      QCOMPARE(d.calls.back().text,
               std::string("Save Init.txt? Everything after its NUL byte will be lost."));
      QCOMPARE(console_->ReadFile("Init.txt"), yes ? std::string("edited\r\n") : old);
      QCOMPARE(Child<QPushButton>(w(), "butInitSave")->isEnabled(), !yes);
    }
    QCOMPARE(stanzo::EditorText(Child<QPlainTextEdit>(w(), "memInit")), std::string("edited\n"));
    const size_t asked = d.calls.size();
    Child<QPlainTextEdit>(w(), "memInit")->setPlainText("again\n");
    Console::Click(Child<QPushButton>(w(), "butInitSave"));  // the NUL is gone: no question
    QCOMPARE(d.calls.size(), asked);
    QVERIFY(d.Errors().empty());
  }

  // The file and help buttons reach the core (whose rules the core's own
  // tests cover): each shows its dialog.
  void fileAndHelpButtonsShowTheirDialogs() {
    Start();
    Console::Click(Child<QPushButton>(w(), "butInitOpen"));  // cancelled: nothing else happens
    Console::Click(Child<QPushButton>(w(), "butLyricOpen"));
    Console::Click(Child<QPushButton>(w(), "butHelpMasks"));
    const auto& calls = console_->dialogs->calls;
    QCOMPARE(calls.size(), size_t{3});
    QCOMPARE(calls[0].caption, std::string("New/Existing File for Init Strings"));
    QCOMPARE(calls[1].caption, std::string("New/Existing File for Lyrics/slides"));
    QCOMPARE(calls[2].kind, std::string("message"));
  }

 private:
  stanzo::TfrmMain& w() { return *console_->window; }
  int Selected() const {
    const auto rows =
        Child<QListWidget>(*console_->window, "lstLyrics")->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.front().row();
  }
  static std::string M(const std::string& t) { return kMain + t; }
  static std::string P(const std::string& t) { return kPreview + t; }

  void Start() {
    console_->Start();
    console_->ConnectTo(*player_);
    QVERIFY(console_->core->IsConnected());
  }
  void SetQueue(const char* script) {
    Child<QPlainTextEdit>(w(), "memLyric")->setPlainText(script);
    PutCaret(Child<QPlainTextEdit>(w(), "memLyric"), 0);
    Console::Click(Child<QPushButton>(w(), "butToList"));
    QCOMPARE(Selected(), 0);
  }

  std::unique_ptr<Console> console_;
  std::unique_ptr<StandinPlayer> player_;
};

int main(int argc, char** argv) {
  stanzo::StanzoApplication app(argc, argv);
  PresentationWindowTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "presentation_window_test.moc"
