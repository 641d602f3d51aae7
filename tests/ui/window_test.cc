// The window on card images written to a temporary directory, its dialogs
// answered from a script; then the real dialogs and the command line.
#include <QTest>
#include <QtWidgets>
#include <filesystem>

#include "tools/card_image/card_image.h"
#include "ui/form1.h"
#include "ui/qt_dialogs.h"
#include "ui/window_options.h"

namespace kvx::testing {

// Logs every box and chooser as "kind|text|title"; answers with `answer` and `file`.
struct ScriptedDialogs final : Dialogs {
  QStringList log;
  bool answer = true;
  std::optional<ChosenFile> file;

  void ShowMessage(QWidget*, const QString& text, const QString& title) override {
    log << "message|" + text + "|" + title;
  }
  bool AskYesNo(QWidget*, const QString& text, const QString& title) override {
    log << "question|" + text + "|" + title;
    return answer;
  }
  std::optional<ChosenFile> ChooseFile(QWidget*, const QString& dir, const QString& name) override {
    log << "chooser|" + dir + "|" + name;
    return file;
  }
};

// A 2G card of 4 MiB holding DATA0001.KVX... from `first_cluster` on, each of
// 2536 bytes by the FAT and by its header; file `differing` has 4000 and 6536.
CardImage Card(int first_cluster, int files, int differing = 0) {
  CardImage card(CardImage::Layout::G2, 4 << 20);
  for (int i = 1; i <= files; ++i) {
    card.AddEntry(QString("DATA%1.KVX").arg(i, 4, 10, QChar('0')).toStdString(),
                  first_cluster + i - 1, i == differing ? 4000 : 2536);
    card.PlaceFile(card.ClusterOffset(first_cluster + i - 1), i == differing ? 5000 : 1000);
  }
  return card;
}

// The window, shown and active. E: five files, the second's sizes differ;
// F: one file; G: no file; H: no data region marker; Q: no card at all.
// Recovered files go to `target`.
struct Window {
  Window() {
    DriveMap drives;
    for (auto [letter, card] :
         {std::pair{"E", Card(2, 5, 2)}, {"F", Card(2, 1)}, {"G", Card(2, 0)}, {"H", Card(3, 1)}}) {
      std::string path = cards.filePath(letter).toStdString();
      if (!card.WriteTo(path) || drives.Add(letter + ("=" + path))) qFatal("no card %s", letter);
    }
    window = std::make_unique<Form1>(std::move(drives),
                                     std::unique_ptr<Dialogs>(dialogs = new ScriptedDialogs));
    window->show();
    if (!QTest::qWaitForWindowActive(window.get())) qFatal("the window never became active");
  }
  QWidget* Find(const QString& name) const { return window->findChild<QWidget*>(name); }
  QString Text(const char* name) const { return Find(name)->property("text").toString(); }
  void Type(const char* box, const QString& text) { Find(box)->setProperty("text", text); }
  // A letter goes into Text1; "No" answers the next question; "3", "^3" and
  // "+3" click line 3 of List1 alone, with Ctrl and with Shift; any other word
  // clicks that button.
  void Run(const QString& script) {
    auto* list = qobject_cast<QListWidget*>(Find("List1"));
    for (const QString& step : script.split(' ')) {
      if (step[0].isUpper() && step.size() == 1)
        Type("Text1", step);
      else if (step == "No")
        dialogs->answer = false;
      else if (step[0].isLetter())
        QTest::mouseClick(Find(step), Qt::LeftButton);
      else {
        auto keys = step[0] == '^'   ? Qt::ControlModifier
                    : step[0] == '+' ? Qt::ShiftModifier
                                     : Qt::NoModifier;
        QRect line = list->visualItemRect(list->item(step.right(1).toInt()));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, keys, line.center());
      }
    }
  }
  // SizeMode, the option checked, how many options show, whether Retrieve is
  // on, whether the card is open.
  QString State() const {
    return QString("%1 %2 %3 %4 %5")
        .arg(window->state().SizeMode)
        .arg(Find("Option1")->property("checked").toBool() ? "FAT" : "header")
        .arg(Find("Option1")->isVisible() + Find("Option2")->isVisible())
        .arg(Find("Command2")->isEnabled() ? "on" : "off")
        .arg(window->state().card.VolumeHandle ? "open" : "closed");
  }

  QTemporaryDir cards, target;
  ScriptedDialogs* dialogs = nullptr;
  std::unique_ptr<Form1> window;
};

class WindowTest : public QObject {
  Q_OBJECT

 private slots:
  void startState_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("container");
    QTest::addColumn<QRect>("twips");
    QTest::addColumn<QString>("state");
    auto row = [](const char* name, QString caption, QString container, QRect twips,
                  const char* state = "") {
      QTest::newRow(name) << caption << container << twips << QString(state);
    };
    row("Form1", "Korvex SD Rescue", "", {0, 0, 9810, 5985});
    row("Frame1", "SD Drive", "Form1", {120, 120, 6135, 735});
    row("Text1", "E", "Frame1", {120, 240, 375, 375});
    row("Command1", "Quick Search ", "Frame1", {720, 240, 1575, 375});
    row("Command3", "Explore", "Frame1", {2520, 240, 1575, 375});
    row("Command5", "Comb Through", "Frame1", {4320, 240, 1575, 375});
    row("List1", "", "Form1", {120, 960, 6135, 4545});
    row("Frame2", "SD Info", "Form1", {6480, 120, 3135, 3015});
    row("Label2", "", "Frame2", {120, 240, 2895, 1815});
    row("Label1", "", "Frame2", {120, 2160, 2895, 255});
    row("Label3", "", "Frame2", {120, 2520, 2895, 375});
    row("Option1", "Let FAT determine file size", "Form1", {6480, 3240, 3135, 255}, "hidden");
    row("Option2", "Let KVX Header determine file size", "Form1", {6480, 3600, 3135, 255},
        "hidden");
    row("Label4", "Target Directory for recovered files:", "Form1", {6480, 4320, 3135, 375});
    // With no system drive letters, the current directory with its separator.
    row("Text2", QString::fromStdString(std::filesystem::current_path().string() + "/"), "Form1",
        {6480, 4680, 2655, 375});
    row("Command4", "...", "Form1", {9240, 4680, 375, 375});
    row("Command2", "Retrieve Selected .KVX files", "Form1", {6480, 5160, 3135, 375}, "disabled");
  }

  void startState() {
    QFETCH(QString, caption);
    QFETCH(QString, container);
    QFETCH(QRect, twips);
    QFETCH(QString, state);
    Window form;
    QWidget* control = container.isEmpty() ? form.window.get() : form.Find(QTest::currentDataTag());
    QWidget* parent = control->parentWidget();
    QCOMPARE(parent ? parent->objectName() : QString(), container);
    const char* text = !parent ? "windowTitle" : control->inherits("QGroupBox") ? "title" : "text";
    QCOMPARE(control->property(text).toString(), caption);
    QCOMPARE(!control->isVisible() ? "hidden" : !control->isEnabled() ? "disabled" : "", state);
    // 15 twips to the pixel at 96 dots per inch; within a pixel either way.
    QRect pixels = parent ? control->geometry() : QRect(QPoint(), control->size());
    const int got[] = {pixels.x(), pixels.y(), pixels.width(), pixels.height()};
    const int wanted[] = {twips.x() / 15, twips.y() / 15, twips.width() / 15, twips.height() / 15};
    for (int i = 0; i < 4; ++i)
      QVERIFY2(qAbs(got[i] - wanted[i]) <= 1,
               qPrintable(QString("%1 not %2").arg(got[i]).arg(wanted[i])));
    if (parent) return;
    QCOMPARE(control->minimumSize(), control->maximumSize());
    QCOMPARE(control->windowIcon().availableSizes().value(0), QSize(32, 32));
    // Text1 has the focus; Tab passes the hidden options by, and Command2 once enabled.
    form.Find("Command2")->setEnabled(true);
    QStringList visited{QApplication::focusWidget()->objectName()};
    for (int step = 0; step < 8; ++step) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      visited << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(visited, QStringList({"Text1", "Command1", "List1", "Command2", "Command3", "Text2",
                                   "Command4", "Command5", "Text1"}));
  }

  void captionsFitWhateverTheDefaultFont_data() {
    QTest::addColumn<int>("point_size");
    QTest::newRow("small enough to keep") << 7;
    QTest::newRow("very large") << 18;
  }

  void captionsFitWhateverTheDefaultFont() {
    QFETCH(int, point_size);
    const QFont saved = QApplication::font();
    QApplication::setFont(QFont(saved.family(), point_size));
    Window form;
    QApplication::setFont(saved);
    QFont shown = form.window->font();
    QVERIFY(point_size == 7 ? shown.pointSizeF() == 7 : shown.pointSizeF() < point_size);
    QFontMetrics metrics(shown);
    for (auto* button : form.window->findChildren<QAbstractButton*>()) {
      int room = button->width() - (qobject_cast<QRadioButton*>(button) ? 16 : 2);
      QVERIFY2(metrics.horizontalAdvance(button->text()) <= room, qPrintable(button->text()));
    }
    // The longest card report, wrapped at Label2's width.
    QRect needed = metrics.boundingRect(QRect(0, 0, form.Find("Label2")->width(), 10000),
                                        Qt::TextWordWrap | Qt::AlignTop,
                                        "This is an obsolete ZENTO SD\n\nZENTO Firmware: 0G\n"
                                        "SD Name: ZENTOXC0\nSector/Cluster: 128\n"
                                        "Number of FAT(s): 2\nMax Root Dir Entries: 512");
    QVERIFY(needed.height() <= form.Find("Label2")->height());
  }

  void quickSearchShowsReportLinesAndSizeChoice() {
    Window form;
    form.Run("Command1");
    // The report's CR LF breaks show as line breaks.
    QCOMPARE(form.Text("Label2"),
             QStringLiteral("This is a ZENTO SD\n\nZENTO Firmware: 2G\nSD Name: ZENTOXC2\n"
                            "Sector/Cluster: 64\nNumber of FAT(s): 1\nMax Root Dir Entries: 512"));
    QCOMPARE(form.Text("Label1"), QStringLiteral("5 KVX File Entries (2G) found"));
    QCOMPARE(form.Text("Label3"), QStringLiteral("KVX Data Region (2G) found"));
    auto* list = qobject_cast<QListWidget*>(form.Find("List1"));
    QCOMPARE(list->count(), 5);
    QCOMPARE(list->item(0)->text(), QStringLiteral("DATA0001.KVX         Size: 2536 @141312"));
    QCOMPARE(list->item(1)->text(),
             QStringLiteral("DATA0002.KVX         SizeH: 6536 or SizeF: 4000 @174080"));
  }

  // A script of clicks (see Window::Run), and after it: the window's state,
  // the files recovered, the boxes shown, and the pointer back to normal.
  void scripts_data() {
    const QString comb =
        "question|We will comb through every sector of SD to find all possible .KVX files\n\n"
        "The operation may take a long time\n\nDo you want to continue?|Korvex SD Rescue";
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("state");  // see Window::State; empty: not looked at
    QTest::addColumn<QString>("copied");
    QTest::addColumn<QString>("dialog");
    auto row = [](const char* name, const char* script, const char* state, const char* copied = "",
                  QString dialog = "") {
      QTest::newRow(name) << script << state << QString(copied) << dialog;
    };
    row("differing sizes", "Command1", "0 header 2 on closed");
    row("agreeing sizes", "Command1 F Command1", "0 header 0 on closed");
    row("no lines, shown", "Command1 G Command1", "0 header 2 off open");
    row("no data region", "H Command1", "0 header 0 on open");
    row("FAT", "Command1 Option1", "1 FAT 2 on closed");
    row("header", "Command1 Option1 Option2", "0 header 2 on closed");
    row("Explore", "Command1 Option1 Command3", "0 FAT 0 on closed");
    // Explore leaves Option1 checked: a click on it must still choose the FAT size.
    row("FAT after Explore", "Command1 Option1 Command3 Command1 Option1", "1 FAT 2 on closed");
    row("Explore, no card", "Command1 Option1 Q Command3", "0 FAT 0 on closed");
    row("Comb Through", "Command1 Command5", "0 header 0 on closed", "", comb);
    row("Comb Through answered No", "Command1 Option1 No Command5", "1 FAT 2 on closed", "", comb);
    row("a letter below D", "Command1 Option1 C Command1", "1 FAT 2 on closed", "",
        "message|Sorry, but I think this drive letter is too low to be a SD drive|"
        "Korvex SD Rescure");
    // Retrieve reads the card the list came from, whatever Text1 says by then.
    row("Retrieve after another letter", "Command1 1 Q Command2", "0 header 2 on closed",
        "DATA0002.KVX");
    row("click", "Command1 1 3 Command2", "", "DATA0004.KVX");
    row("Ctrl+click", "Command1 1 ^3 Command2", "", "DATA0002.KVX DATA0004.KVX");
    // The current line is then one that is not selected.
    row("Ctrl+click again", "Command1 1 ^3 ^1 Command2", "", "DATA0004.KVX");
    row("Shift+click", "Command1 1 +3 Command2", "", "DATA0002.KVX DATA0003.KVX DATA0004.KVX");
  }

  void scripts() {
    QFETCH(QString, script);
    QFETCH(QString, state);
    QFETCH(QString, copied);
    QFETCH(QString, dialog);
    Window form;
    form.Type("Text2", form.target.path() + "/");
    form.Run(script);
    if (!state.isEmpty()) QCOMPARE(form.State(), state);
    QCOMPARE(form.dialogs->log.join(""), dialog);
    QCOMPARE(QDir(form.target.path()).entryList(QDir::Files).join(' '), copied);
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QVERIFY(form.window->close() && form.window->state().card.VolumeHandle == nullptr);
  }

  void chooserSetsTextTwo_data() {
    QTest::addColumn<QString>("file_name");  // null: the chooser is cancelled
    QTest::addColumn<QString>("file_title");
    QTest::addColumn<QString>("text2");
    auto row = [](const char* name, QString file_name, QString file_title, QString text2) {
      QTest::newRow(name) << file_name << file_title << text2;
    };
    row("a picked file", "/media/out/log.kvx", "log.kvx", "/media/out/");
    row("the offered name kept", "C:\\data\\*.*", "*.*", "C:\\data\\");
    row("the offered name, no title", "C:\\data\\*.*", "", "C:\\data\\");
    row("cancel", QString(), QString(), "/srv/cards/");
  }

  void chooserSetsTextTwo() {
    QFETCH(QString, file_name);
    QFETCH(QString, file_title);
    QFETCH(QString, text2);
    Window form;
    if (!file_name.isNull()) form.dialogs->file = ChosenFile{file_name, file_title};
    // A double-click on Text2 and a click on "..." open the same chooser.
    for (bool by_button : {false, true}) {
      form.Type("Text2", "/srv/cards/");
      by_button ? form.Run("Command4") : QTest::mouseDClick(form.Find("Text2"), Qt::LeftButton);
      QCOMPARE(form.Text("Text2"), text2);
      QCOMPARE(form.dialogs->log.value(by_button), QStringLiteral("chooser|/srv/cards/|*.*"));
    }
  }

  // The real boxes, each answered once by a timer that notes what it saw; one
  // that does not take its answer is closed.
  void realBoxes() {
    QStringList seen;
    QPointer<QWidget> answered;
    QTimer poll;
    connect(&poll, &QTimer::timeout, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr || box == answered) return box ? void(box->close()) : void();
      answered = box;
      seen << QString("%1|%2|%3").arg(box->windowTitle(), box->text()).arg(box->buttons().size());
      QVERIFY(box->icon() == QMessageBox::NoIcon && box->textFormat() == Qt::PlainText);
      QTest::keyClick(box, Qt::Key_Return);
    });
    poll.start(20);
    QtDialogs dialogs;
    dialogs.ShowMessage(nullptr, "first\n<b>second</b>", "Korvex SD Rescure");
    QVERIFY(dialogs.AskYesNo(nullptr, "Comb?", "Korvex SD Rescue"));  // Enter answers Yes
    QCOMPARE(seen,
             QStringList({"Korvex SD Rescure|first\n<b>second</b>|1", "Korvex SD Rescue|Comb?|2"}));
  }

  void commandLine_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("outcome");  // "help", the error's first two words, or empty
    QTest::addColumn<QString>("e_path");   // empty: E is not mapped
    auto row = [](const char* name, QStringList args, QString outcome, QString e_path) {
      QTest::newRow(name) << args << outcome << e_path;
    };
    row("joined, lower-case, again", {"--drive=e=/a.img", "--drive", "E=/b.img"}, "", "/b.img");
    row("help", {"--drive", "E=/a", "--help"}, "help", "/a");
    row("a value missing", {"--drive"}, "--drive needs", "");
    row("something else", {"-platform", "x"}, "unknown argument", "");
  }

  void commandLine() {
    QFETCH(QStringList, args);
    QFETCH(QString, outcome);
    QFETCH(QString, e_path);
    std::vector<std::string> argv;
    for (const QString& arg : args) argv.push_back(arg.toStdString());
    WindowOptions options = ParseWindowOptions(argv, true);
    QString error = QString::fromStdString(options.error);
    QCOMPARE(options.help ? "help" + error : error.section(' ', 0, 1), outcome);
    QCOMPARE(QString::fromStdString(options.drives.PathOf("E").value_or("")), e_path);
    // Where the system has drive letters the command line is not read at all.
    WindowOptions ignored = ParseWindowOptions(argv, false);
    QVERIFY(!ignored.help && ignored.error.empty() && !ignored.drives.PathOf("E"));
  }
};

}  // namespace kvx::testing

QTEST_MAIN(kvx::testing::WindowTest)
#include "window_test.moc"
