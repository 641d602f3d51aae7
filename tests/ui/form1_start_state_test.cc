// The window as it opens: every control where the control table puts it, with
// its caption, state, focus and tab order, and no caption cut at any font.
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <filesystem>

#include "tests/ui/window_on_cards.h"

namespace kvx::testing {

class Form1StartStateTest : public QObject {
  Q_OBJECT

 private slots:
  void controlsStandWhereTheTableSaysWithTheirCaptionsAndStates_data();
  void controlsStandWhereTheTableSaysWithTheirCaptionsAndStates();
  void windowHasTheTablesFixedClientAreaCaptionAndIcon();
  void drivePathDefaultsAndSizeChoiceAreThoseOfANewWindow();
  void textOneHasTheFocusAndTabVisitsTheControlsInTableOrder();
  void everyCaptionShowsWholeWhateverTheDefaultFont_data();
  void everyCaptionShowsWholeWhateverTheDefaultFont();
};

void Form1StartStateTest::controlsStandWhereTheTableSaysWithTheirCaptionsAndStates_data() {
  QTest::addColumn<QString>("caption");
  QTest::addColumn<QString>("container");
  QTest::addColumn<QRect>("twips");
  QTest::addColumn<bool>("enabled");
  QTest::addColumn<bool>("shown");
  auto row = [](const char* name, const char* caption, const char* container, QRect twips,
                bool enabled = true, bool shown = true) {
    QTest::newRow(name) << QString::fromLatin1(caption) << QString::fromLatin1(container) << twips
                        << enabled << shown;
  };
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
  row("Option1", "Let FAT determine file size", "Form1", {6480, 3240, 3135, 255}, true, false);
  row("Option2", "Let KVX Header determine file size", "Form1", {6480, 3600, 3135, 255}, true,
      false);
  row("Label4", "Target Directory for recovered files:", "Form1", {6480, 4320, 3135, 375});
  row("Text2", nullptr, "Form1", {6480, 4680, 2655, 375});
  row("Command4", "...", "Form1", {9240, 4680, 375, 375});
  row("Command2", "Retrieve Selected .KVX files", "Form1", {6480, 5160, 3135, 375}, false);
}

QString CaptionOf(const QWidget* widget) {
  if (auto* button = qobject_cast<const QAbstractButton*>(widget)) return button->text();
  if (auto* label = qobject_cast<const QLabel*>(widget)) return label->text();
  if (auto* frame = qobject_cast<const QGroupBox*>(widget)) return frame->title();
  if (auto* box = qobject_cast<const QLineEdit*>(widget)) return box->text();
  return QString();
}

void Form1StartStateTest::controlsStandWhereTheTableSaysWithTheirCaptionsAndStates() {
  QFETCH(QString, caption);
  QFETCH(QString, container);
  QFETCH(QRect, twips);
  QFETCH(bool, enabled);
  QFETCH(bool, shown);
  WindowOnCards form;
  form.window->show();
  QCOMPARE(form.window->logicalDpiX(), 96);
  QCOMPARE(form.window->logicalDpiY(), 96);

  auto* control = form.Find<QWidget>(QTest::currentDataTag());
  QCOMPARE(control->parentWidget()->objectName(), container);
  if (!caption.isNull()) QCOMPARE(CaptionOf(control), caption);
  QCOMPARE(control->isEnabled(), enabled);
  QCOMPARE(control->isVisible(), shown);
  // 15 twips to the pixel at 96 dots per inch; within a pixel either way.
  QRect pixels = control->geometry();
  QVERIFY2(qAbs(pixels.x() - twips.x() / 15) <= 1, qPrintable(QString::number(pixels.x())));
  QVERIFY2(qAbs(pixels.y() - twips.y() / 15) <= 1, qPrintable(QString::number(pixels.y())));
  QVERIFY2(qAbs(pixels.width() - twips.width() / 15) <= 1,
           qPrintable(QString::number(pixels.width())));
  QVERIFY2(qAbs(pixels.height() - twips.height() / 15) <= 1,
           qPrintable(QString::number(pixels.height())));
}

void Form1StartStateTest::windowHasTheTablesFixedClientAreaCaptionAndIcon() {
  WindowOnCards form;
  QCOMPARE(form.window->windowTitle(), QStringLiteral("Korvex SD Rescue"));
  QCOMPARE(form.window->minimumSize(), QSize(654, 399));
  QCOMPARE(form.window->maximumSize(), QSize(654, 399));
  QIcon icon = form.window->windowIcon();
  QVERIFY(!icon.isNull());
  QCOMPARE(icon.availableSizes().value(0), QSize(32, 32));
}

void Form1StartStateTest::drivePathDefaultsAndSizeChoiceAreThoseOfANewWindow() {
  WindowOnCards form;
  // Where the system has no drive letters the target starts as the current
  // directory with its final separator.
  QCOMPARE(form.Find<QLineEdit>("Text2")->text(),
           QString::fromUtf8(std::filesystem::current_path().string() + "/"));
  QVERIFY(form.Find<QRadioButton>("Option2")->isChecked());
  QVERIFY(!form.Find<QRadioButton>("Option1")->isChecked());
  QCOMPARE(form.Find<QListWidget>("List1")->count(), 0);
  QCOMPARE(form.Find<QListWidget>("List1")->selectionMode(), QAbstractItemView::ExtendedSelection);
  QVERIFY(!form.Find<QListWidget>("List1")->isSortingEnabled());
  QCOMPARE(form.window->state().SizeMode, 0);
  QVERIFY(!form.window->state().SizesDiffer);
}

void Form1StartStateTest::textOneHasTheFocusAndTabVisitsTheControlsInTableOrder() {
  WindowOnCards form;
  form.window->show();
  QVERIFY(QTest::qWaitForWindowActive(form.window.get()));
  QCOMPARE(QApplication::focusWidget(), form.Find<QWidget>("Text1"));

  // The options are hidden and Command2 disabled at start: Tab passes them by.
  QStringList visited;
  for (int step = 0; step < 7; ++step) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    visited << QApplication::focusWidget()->objectName();
  }
  QCOMPARE(visited, QStringList({"Command1", "List1", "Command3", "Text2", "Command4", "Command5",
                                 "Text1"}));
}

void Form1StartStateTest::everyCaptionShowsWholeWhateverTheDefaultFont_data() {
  QTest::addColumn<double>("point_size");
  QTest::newRow("small") << 7.0;
  QTest::newRow("common") << 9.0;
  QTest::newRow("large") << 12.0;
  QTest::newRow("very large") << 18.0;
}

void Form1StartStateTest::everyCaptionShowsWholeWhateverTheDefaultFont() {
  QFETCH(double, point_size);
  const QFont saved = QApplication::font();
  QFont font = saved;
  font.setPointSizeF(point_size);
  QApplication::setFont(font);
  WindowOnCards form;
  QApplication::setFont(saved);

  QFont shown = form.window->font();
  QVERIFY(shown.pointSizeF() <= point_size);
  QFontMetrics metrics(shown);
  for (auto* button : form.window->findChildren<QAbstractButton*>()) {
    int room = button->width() - (qobject_cast<QRadioButton*>(button) ? 16 : 2);
    QVERIFY2(metrics.horizontalAdvance(button->text()) <= room, qPrintable(button->text()));
  }
  // Label4's caption and the longest card report, wrapped at their labels' width.
  const QString report = QStringLiteral(
      "This is an obsolete ZENTO SD\n\nZENTO Firmware: 0G\nSD Name: ZENTOXC0\n"
      "Sector/Cluster: 128\nNumber of FAT(s): 2\nMax Root Dir Entries: 512");
  for (auto [name, text] :
       {std::pair{"Label4", form.Find<QLabel>("Label4")->text()}, std::pair{"Label2", report}}) {
    QLabel* label = form.Find<QLabel>(name);
    QRect needed = metrics.boundingRect(QRect(0, 0, label->width(), 10000),
                                        Qt::TextWordWrap | Qt::AlignTop, text);
    QVERIFY2(needed.height() <= label->height(), name);
  }
  // Where the default font leaves room, the window keeps it.
  if (point_size <= 7.0) QCOMPARE(shown.pointSizeF(), point_size);
}

}  // namespace kvx::testing

QTEST_MAIN(kvx::testing::Form1StartStateTest)
#include "form1_start_state_test.moc"
