// What the Qt window itself does, on the scenario cards in memory: the widgets
// made from the form's table, the fonts fitted, List1's selections, input
// refused during an action while Esc and Stop still reach it, the real boxes,
// the menu item, What the form does with its controls
// is the form's suite's.
#include <QTest>
#include <QtWidgets>
#include <filesystem>
#include <memory>

#include "platform/system_platform.h"
#include "tests/support/file_size_limit.h"
#include "tests/ui/form/form_fakes.h"
#include "ui/form/form_controls.h"
#include "ui/qt/qt_dialogs.h"
#include "ui/qt/qt_window.h"

namespace kvx::testing {

// The window, shown and active, on slow in-memory cards (fast until
// `platform->read_time` is set); the platform's reads can act on it.
struct Window {
  Window() {
    auto owned = std::make_unique<SlowPlatform>();
    platform = owned.get();
    window = std::make_unique<QtWindow>(std::move(owned),
                                        std::unique_ptr<Dialogs>(dialogs = new ScriptedDialogs));
    window->show();
    if (!QTest::qWaitForWindowActive(window.get())) qFatal("the window never became active");
  }
  QWidget* Find(const QString& name) const { return window->findChild<QWidget*>(name); }
  QString Text(const char* name) const { return Find(name)->property("text").toString(); }
  void Type(const char* box, const QString& text) { Find(box)->setProperty("text", text); }
  bool Running() const { return Find("Stop")->isEnabled(); }
  void ClickControl(const char* name) { QTest::mouseClick(Find(name), Qt::LeftButton); }
  void ClickLine(int line, Qt::KeyboardModifiers keys = Qt::NoModifier) {
    auto* list = qobject_cast<QListWidget*>(Find("List1"));
    QRect rect = list->visualItemRect(list->item(line));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, keys, rect.center());
  }

  SlowPlatform* platform = nullptr;
  ScriptedDialogs* dialogs = nullptr;
  std::unique_ptr<QtWindow> window;
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
    QVERIFY(form.platform->files.empty());
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
    QVERIFY(!form.Find("Progress")->isVisible() && !form.Running());
    QCOMPARE(form.window->minimumSize(), form.window->maximumSize());
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
    QCOMPARE(QApplication::focusWidget(), form.Find("Text1"));
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

  // Clicks with Shift and Ctrl select as the list takes them; Retrieve copies
  // those lines. The report's CR LF breaks show as line breaks.
  void selections() {
    Window form;
    form.Type("Text2", "out/");
    form.ClickControl("Command1");
    form.ClickLine(1);
    form.ClickLine(3, Qt::ShiftModifier);
    form.ClickLine(2, Qt::ControlModifier);
    form.ClickControl("Command2");
    QCOMPARE(form.platform->Copied(), std::string("DATA0002.KVX DATA0004.KVX"));
    QVERIFY(form.Text("Label2").startsWith("This is a ZENTO SD\n\nZENTO Firmware: 2G\n"));
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QVERIFY(form.window->close() && form.platform->open_volumes() == 0);
  }

  // During a Comb Through of a slow card: clicks, keys and a double-click
  // have no effect, while timers fire and the bar shows progress; a failed
  // outcome shows in another colour until the letter changes.
  void controlsRefuseInputDuringAnAction() {
    Window form;
    form.platform->read_time = kSlowRead;
    const QColor normal = form.Find("StatusText")->palette().color(QPalette::WindowText);
    bool timer_during_action = false;
    QString progress_seen;
    form.platform->on_read = [&](int read) {
      if (read == 2) {
        QTimer::singleShot(0, form.window.get(), [&] { timer_during_action = form.Running(); });
        form.ClickControl("Command1");
        form.ClickControl("Command3");
        form.ClickControl("Option1");
        QTest::keyClicks(form.Find("Text1"), "X");
        QTest::mouseDClick(form.Find("Text2"), Qt::LeftButton);
      }
      if (form.Find("Progress")->isVisible()) progress_seen = form.Text("StatusText");
    };
    form.Type("Text2", "/none/");
    form.ClickControl("Command5");
    QCOMPARE(form.Text("Text1"), QStringLiteral("E"));
    QCOMPARE(form.platform->opens(), 1);  // no second action
    QCOMPARE(form.dialogs->log.size(), std::size_t{1});  // the question only, no chooser
    QCOMPARE(static_cast<int>(form.window->state().SizeMode), 0);
    QVERIFY(!form.Find("Option1")->property("checked").toBool());  // no click reached it
    QVERIFY(timer_during_action);
    QVERIFY2(progress_seen.startsWith("Read ") && progress_seen.contains(" of 4.0 MB ("),
             qPrintable(progress_seen));
    QVERIFY(!form.Running() && !form.Find("Progress")->isVisible());
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    // Afterwards the window takes input again.
    QTest::keyClicks(form.Find("Text1"), "F", Qt::NoModifier);
    QVERIFY(form.Text("Text1").contains('F'));
    form.window->controls().ReportOutcome({Outcome::kFailed, "/dev/sdb: permission denied"});
    QCOMPARE(form.Text("StatusText"), QStringLiteral("Failed: /dev/sdb: permission denied"));
    QVERIFY(form.Find("StatusText")->palette().color(QPalette::WindowText) != normal);
    form.Type("Text1", "G");
    QCOMPARE(form.Find("StatusText")->palette().color(QPalette::WindowText), normal);
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
    Window form;
    form.platform->read_time = kSlowRead;
    bool asked_before = true;
    form.platform->on_read = [&](int read) {
      if (read != 2) return;
      asked_before = form.window->controls().StopRequested();
      by_button ? form.ClickControl("Stop") : QTest::keyClick(form.Find("List1"), Qt::Key_Escape);
    };
    form.ClickControl("Command5");
    QVERIFY(!asked_before);
    QVERIFY(form.window->controls().StopRequested());
    form.platform->on_read = [&](int) { asked_before = form.window->controls().StopRequested(); };
    form.ClickControl("Command5");
    QVERIFY(!asked_before);
  }

  // A double-click on Text2 and a click on "..." open the same chooser.
  void chooserSetsTextTwo() {
    Window form;
    form.dialogs->file = ChosenFile{"/media/out/log.kvx", "log.kvx"};
    for (bool by_button : {false, true}) {
      form.Type("Text2", "/srv/cards/");
      by_button ? form.ClickControl("Command4")
                : QTest::mouseDClick(form.Find("Text2"), Qt::LeftButton);
      QCOMPARE(form.Text("Text2"), QStringLiteral("/media/out/"));
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
};

}  // namespace kvx::testing

// QTEST_MAIN, with the file-size cap every test program runs under.
QTEST_MAIN_WRAPPER(kvx::testing::WindowTest, kvx::IgnoreFileSizeSignal();
                   kvx::testing::LimitFileSize(kvx::testing::kTestFileSizeLimit);
                   QTEST_MAIN_SETUP())
#include "window_test.moc"
