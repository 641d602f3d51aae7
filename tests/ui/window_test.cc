// The window on card images written to a temporary directory, its dialogs
// answered from a script; the status bar and the window during an action, on
// slow in-memory cards; then the real dialogs and the command line. The
// scenarios are the ones the Win32 window runs too (window_scenarios.h).
#include <QTest>
#include <QtWidgets>
#include <filesystem>

#include "platform/system_platform.h"
#include "tests/support/file_size_limit.h"
#include "tests/ui/window_scenarios.h"
#include "ui/form/form_controls.h"
#include "ui/qt/qt_dialogs.h"
#include "ui/qt/qt_window.h"
#include "ui/window_options.h"

namespace kvx::testing {

// The window, shown and active, on the scenario cards. Recovered files go to
// `target`.
struct Window final : WindowDriver {
  Window() {
    DriveMap drives;
    for (const auto& [letter, card] : ScenarioCards()) {
      std::string path = cards.filePath(QString::fromStdString(letter)).toStdString();
      if (!card.WriteTo(path) || drives.Add(letter + "=" + path)) qFatal("no card %s", letter.c_str());
    }
    window = std::make_unique<QtWindow>(std::move(drives),
                                        std::unique_ptr<Dialogs>(dialogs = new ScriptedDialogs));
    window->show();
    if (!QTest::qWaitForWindowActive(window.get())) qFatal("the window never became active");
  }
  QWidget* Find(const QString& name) const { return window->findChild<QWidget*>(name); }
  QString Text(const char* name) const { return Find(name)->property("text").toString(); }
  void Type(const char* box, const QString& text) { Find(box)->setProperty("text", text); }

  void TypeLetter(const std::string& letter) override {
    Type("Text1", QString::fromStdString(letter));
  }
  void AnswerNo() override { dialogs->answer = false; }
  void ClickControl(const std::string& name) override {
    QTest::mouseClick(Find(QString::fromStdString(name)), Qt::LeftButton);
  }
  void ClickLine(int line, Click click) override {
    auto* list = qobject_cast<QListWidget*>(Find("List1"));
    auto keys = click == Click::kWithCtrl    ? Qt::ControlModifier
                : click == Click::kWithShift ? Qt::ShiftModifier
                                             : Qt::NoModifier;
    QRect rect = list->visualItemRect(list->item(line));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, keys, rect.center());
  }
  int SizeMode() const override { return static_cast<int>(window->state().SizeMode); }
  bool Option1Checked() const override { return Find("Option1")->property("checked").toBool(); }
  int OptionsVisible() const override {
    return Find("Option1")->isVisible() + Find("Option2")->isVisible();
  }
  bool RetrieveEnabled() const override { return Find("Command2")->isEnabled(); }
  bool CardOpen() const override { return window->state().Card.VolumeHandle != nullptr; }

  QTemporaryDir cards, target;
  ScriptedDialogs* dialogs = nullptr;
  std::unique_ptr<QtWindow> window;
};

// The window on slow in-memory cards; the platform's reads can act on it.
struct SlowWindow {
  SlowWindow() {
    auto owned = std::make_unique<SlowPlatform>();
    platform = owned.get();
    window = std::make_unique<QtWindow>(std::move(owned),
                                        std::unique_ptr<Dialogs>(dialogs = new ScriptedDialogs));
    window->show();
    if (!QTest::qWaitForWindowActive(window.get())) qFatal("the window never became active");
    platform->read_time = kSlowRead;
  }
  template <typename T = QWidget>
  T* Find(const char* name) const {
    return window->findChild<T*>(name);
  }
  QString Status() const { return Find<QLabel>("StatusText")->text(); }

  SlowPlatform* platform = nullptr;
  ScriptedDialogs* dialogs = nullptr;
  std::unique_ptr<QtWindow> window;
};

// Notes the paint events a widget gets while Stop is enabled: during an action.
struct PaintWatch final : QObject {
  explicit PaintWatch(SlowWindow& form) : form(form) { form.window->installEventFilter(this); }
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint && form.Find("Stop")->isEnabled()) ++paints_during_action;
    return false;
  }
  SlowWindow& form;
  int paints_during_action = 0;
};

class WindowTest : public QObject {
  Q_OBJECT

 private slots:
  // Ctrl+I, and the window menu's item, ask the save dialog for the letter's
  // image; a cancel images nothing.
  void imageCardShortcutAndMenuItem() {
    Window form;
    form.Type("Text1", QStringLiteral("e"));
    QTest::keyClick(form.window.get(), Qt::Key_I, Qt::ControlModifier);
    auto* menu = form.window->findChild<QMenu*>(QStringLiteral("WindowMenu"));
    QVERIFY(menu);
    QCOMPARE(menu->actions().size(), 1);
    QCOMPARE(menu->actions()[0]->text(), QStringLiteral("Image card to file..."));
    QCOMPARE(menu->actions()[0]->shortcut(), QKeySequence(QStringLiteral("Ctrl+I")));
    menu->actions()[0]->trigger();
    QCOMPARE(form.dialogs->Joined(), std::string("image|card-E.imgimage|card-E.img"));
  }

  // Every control of the form's table, made as the table says: container,
  // caption, state and place (within a pixel at the window's resolution).
  void startState() {
    Window form;
    const double dpi = form.window->logicalDpiX();
    auto check_place = [&](QRect pixels, TwipsRect twips, const char* name) {
      const int got[] = {pixels.x(), pixels.y(), pixels.width(), pixels.height()};
      const int wanted[] = {twips.left, twips.top, twips.width, twips.height};
      for (int i = 0; i < 4; ++i) {
        QVERIFY2(qAbs(got[i] - TwipsToPixels(wanted[i], dpi)) <= 1,
                 qPrintable(QString("%1: %2 not %3 twips").arg(name).arg(got[i]).arg(wanted[i])));
      }
    };
    QCOMPARE(form.window->windowTitle(), QStringLiteral("Korvex SD Rescue"));
    // The form's area, and the status bar under it across the window's width.
    QWidget* bar = form.Find("StatusBar");
    check_place(QRect(0, 0, form.window->width(), bar->y()),
                {0, 0, kClientWidthTwips, kClientHeightTwips}, "Form1");
    QCOMPARE(bar->geometry(), QRect(0, bar->y(), form.window->width(),
                                    form.window->height() - bar->y()));
    QVERIFY(bar->height() > 10);
    QVERIFY(!form.Find("Progress")->isVisible() && !form.Find("Stop")->isEnabled());
    QCOMPARE(form.window->minimumSize(), form.window->maximumSize());
    QCOMPARE(form.window->windowIcon().availableSizes().value(0), QSize(32, 32));
    for (const FormControl& control : Form1Controls()) {
      QWidget* widget = form.Find(control.name);
      QVERIFY2(widget, control.name);
      QCOMPARE(widget->parentWidget()->objectName(),
               QString(*control.container ? control.container : "Form1"));
      const char* text = control.kind == ControlKind::kFrame ? "title" : "text";
      // With no system drive letters, Text2 starts in the current directory.
      QString caption = control.name == std::string("Text2")
                            ? QString::fromStdString(std::filesystem::current_path().string() + "/")
                            : QString::fromUtf8(control.caption);
      if (control.kind != ControlKind::kListBox) QCOMPARE(widget->property(text).toString(), caption);
      QCOMPARE(widget->isVisible(), control.visible);
      QCOMPARE(widget->isEnabled(), control.enabled);
      if (control.kind == ControlKind::kOptionButton)
        QCOMPARE(widget->property("checked").toBool(), control.selected);
      check_place(widget->geometry(), control.twips, control.name);
    }
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

  void quickSearchShowsReportAndLines() {
    Window form;
    form.ClickControl("Command1");
    // The report's CR LF breaks show as line breaks.
    QCOMPARE(form.Text("Label2"),
             QStringLiteral("This is a ZENTO SD\n\nZENTO Firmware: 2G\nSD Name: ZENTOXC2\n"
                            "Sector/Cluster: 64\nNumber of FAT(s): 1\nMax Root Dir Entries: 512"));
    auto* list = qobject_cast<QListWidget*>(form.Find("List1"));
    QCOMPARE(list->count(), 5);
    QCOMPARE(list->item(1)->text(),
             QStringLiteral("DATA0002.KVX         SizeH: 6536 or SizeF: 4000 @174080"));
  }

  // A scenario's clicks, and after them: the window's state, the files
  // recovered, the boxes shown, and the pointer back to normal.
  void scenarios_data() {
    QTest::addColumn<int>("index");
    for (int i = 0; i < int(std::size(kWindowScenarios)); ++i)
      QTest::newRow(kWindowScenarios[i].name) << i;
  }

  void scenarios() {
    QFETCH(int, index);
    const WindowScenario& scenario = kWindowScenarios[index];
    Window form;
    form.Type("Text2", form.target.path() + "/");
    RunScript(form, scenario.script);
    if (*scenario.state) QCOMPARE(StateOf(form), std::string(scenario.state));
    QCOMPARE(form.dialogs->Joined(), std::string(scenario.dialog));
    // The recovered files; the rescue's record lies beside them.
    QCOMPARE(QDir(form.target.path()).entryList({"*.KVX"}, QDir::Files).join(' '),
             QString(scenario.copied));
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QVERIFY(form.window->close() && form.window->state().Card.VolumeHandle == nullptr);
  }

  // At rest the bar names what the letter in Text1 names; an outcome shows
  // until the letter changes, a failure in red.
  void statusBarSaysWhatTheLetterNamesAndEachOutcome() {
    SlowWindow form;
    QCOMPARE(form.Status(), QStringLiteral("card E"));
    form.Find<QLineEdit>("Text1")->setText("f");
    QCOMPARE(form.Status(), QStringLiteral("card F"));
    const QColor normal = form.Find("StatusText")->palette().color(QPalette::WindowText);
    for (const StatusScenario& scenario : kStatusScenarios) {
      form.window->controls().ReportOutcome(scenario.outcome);
      QCOMPARE(form.Status(), QString::fromUtf8(scenario.text));
      QColor shown = form.Find("StatusText")->palette().color(QPalette::WindowText);
      QCOMPARE(shown != normal, scenario.failure);
    }
    form.Find<QLineEdit>("Text1")->setText("G");
    QCOMPARE(form.Status(), QStringLiteral("card G"));
  }

  // During a Comb Through of a slow card: clicks, keys and a double-click
  // have no effect, while timers fire, the window repaints and the bar shows
  // progress with Stop enabled.
  void controlsRefuseInputDuringAnAction() {
    SlowWindow form;
    PaintWatch paints(form);
    bool timer_during_action = false;
    QString progress_seen;
    form.platform->on_read = [&](int read) {
      if (read == 2) {
        QTimer::singleShot(0, form.window.get(),
                           [&] { timer_during_action = form.Find("Stop")->isEnabled(); });
        form.window->update();
        QTest::mouseClick(form.Find("Command1"), Qt::LeftButton);
        QTest::mouseClick(form.Find("Command3"), Qt::LeftButton);
        QTest::mouseClick(form.Find("Option1"), Qt::LeftButton);
        QTest::keyClicks(form.Find("Text1"), "X");
        QTest::mouseDClick(form.Find("Text2"), Qt::LeftButton);
      }
      if (form.Find("Progress")->isVisible()) progress_seen = form.Status();
    };
    form.Find<QLineEdit>("Text2")->setText("/none/");
    QTest::mouseClick(form.Find("Command5"), Qt::LeftButton);
    QCOMPARE(form.Find<QLineEdit>("Text1")->text(), QStringLiteral("E"));
    QCOMPARE(form.platform->opens(), 1);  // no second action
    QCOMPARE(form.dialogs->log.size(), std::size_t{1});  // the question only, no chooser
    QCOMPARE(static_cast<int>(form.window->state().SizeMode), 0);
    QVERIFY(timer_during_action);
    QVERIFY(paints.paints_during_action > 0);
    QVERIFY2(progress_seen.startsWith("Read ") && progress_seen.contains(" of 4.0 MB ("),
             qPrintable(progress_seen));
    QVERIFY(!form.Find("Stop")->isEnabled() && !form.Find("Progress")->isVisible());
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    // Afterwards the window takes input again.
    QTest::keyClicks(form.Find("Text1"), "F", Qt::NoModifier);
    QVERIFY(form.Find<QLineEdit>("Text1")->text().contains('F'));
  }

  // Esc or a click on Stop while a long action runs asks it to stop; the
  // next action starts without the request.
  void stopDuringALongAction_data() {
    QTest::addColumn<bool>("by_button");
    QTest::newRow("Esc") << false;
    QTest::newRow("Stop") << true;
  }

  void stopDuringALongAction() {
    QFETCH(bool, by_button);
    SlowWindow form;
    bool asked_before = true;
    form.platform->on_read = [&](int read) {
      if (read != 2) return;
      asked_before = form.window->controls().StopRequested();
      by_button ? QTest::mouseClick(form.Find("Stop"), Qt::LeftButton)
                : QTest::keyClick(form.Find("List1"), Qt::Key_Escape);
    };
    QTest::mouseClick(form.Find("Command5"), Qt::LeftButton);
    QVERIFY(!asked_before);
    QVERIFY(form.window->controls().StopRequested());
    form.platform->on_read = [&](int) { asked_before = form.window->controls().StopRequested(); };
    QTest::mouseClick(form.Find("Command5"), Qt::LeftButton);
    QVERIFY(!asked_before);
  }

  // Closing the window during an action stops it, then closes the window
  // and the card.
  void closeDuringAnAction() {
    SlowWindow form;
    bool closed_at_once = true;
    form.platform->on_read = [&](int read) {
      if (read != 2) return;
      form.window->close();
      closed_at_once = !form.window->isVisible();
    };
    QTest::mouseClick(form.Find("Command5"), Qt::LeftButton);
    QVERIFY(!closed_at_once);
    QVERIFY(form.window->controls().StopRequested());
    QTRY_VERIFY_WITH_TIMEOUT(!form.window->isVisible(), 5000);
    QVERIFY(!form.window->state().Card.VolumeHandle);
    QCOMPARE(form.platform->open_volumes(), 0);
  }

  void chooserSetsTextTwo_data() {
    QTest::addColumn<int>("index");
    for (int i = 0; i < int(std::size(kChooserScenarios)); ++i)
      QTest::newRow(kChooserScenarios[i].name) << i;
  }

  void chooserSetsTextTwo() {
    QFETCH(int, index);
    const ChooserScenario& scenario = kChooserScenarios[index];
    Window form;
    form.dialogs->file = scenario.chosen;
    // A double-click on Text2 and a click on "..." open the same chooser.
    for (bool by_button : {false, true}) {
      form.Type("Text2", "/srv/cards/");
      by_button ? form.ClickControl("Command4")
                : QTest::mouseDClick(form.Find("Text2"), Qt::LeftButton);
      QCOMPARE(form.Text("Text2").toStdString(), std::string(scenario.text2));
      QCOMPARE(form.dialogs->log.at(by_button), std::string("chooser|/srv/cards/|*.*"));
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
    dialogs.ShowMessage("first\r\n<b>second</b>", "Korvex SD Rescure");
    QVERIFY(dialogs.AskYesNo("Comb?", "Korvex SD Rescue"));  // Enter answers Yes
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
    row("a value missing", {"--drive"}, "--drive: 1", "");
    row("something else", {"-platform", "x"}, "unexpected argument", "");
  }

  void commandLine() {
    QFETCH(QStringList, args);
    QFETCH(QString, outcome);
    QFETCH(QString, e_path);
    std::vector<std::string> argv;
    for (const QString& arg : args) argv.push_back(arg.toStdString());
    WindowOptions options = ParseWindowOptions(argv);
    QString error = QString::fromStdString(options.error);
    QCOMPARE(options.help ? "help" + error : error.section(' ', 0, 1), outcome);
    QCOMPARE(QString::fromStdString(options.drives.PathOf("E").value_or("")), e_path);
  }
};

}  // namespace kvx::testing

// QTEST_MAIN, with the file-size cap every test program runs under.
QTEST_MAIN_WRAPPER(kvx::testing::WindowTest, kvx::IgnoreFileSizeSignal();
                   kvx::testing::LimitFileSize(kvx::testing::kTestFileSizeLimit);
                   QTEST_MAIN_SETUP())
#include "window_test.moc"
