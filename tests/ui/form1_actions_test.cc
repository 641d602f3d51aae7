// The buttons and options of the window running the core's actions on card
// images: what a Quick Search shows, the size choice, message boxes, the busy
// pointer and the card handle a search leaves open.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "tests/ui/window_on_cards.h"

namespace kvx::testing {

class Form1ActionsTest : public QObject {
  Q_OBJECT

 private slots:
  void quickSearchShowsTheReportTheLinesAndTheSizeChoice();
  void sizeOptionsFollowEachQuickSearch_data();
  void sizeOptionsFollowEachQuickSearch();
  void optionClicksSetTheSizeThatRetrieveCopies();
  void aLetterBelowDIsRefusedInABoxWithTheApplicationsTitle();
  void longActionsLeaveThePointerAsTheyFoundIt_data();
  void longActionsLeaveThePointerAsTheyFoundIt();
  void closingTheWindowClosesTheCardASearchLeftOpen();
};

QStringList LinesOf(const WindowOnCards& form) {
  QStringList lines;
  auto* list = form.Find<QListWidget>("List1");
  for (int row = 0; row < list->count(); ++row) lines << list->item(row)->text();
  return lines;
}

void Form1ActionsTest::quickSearchShowsTheReportTheLinesAndTheSizeChoice() {
  WindowOnCards form(
      {{"E", CardWith({{"DATA0001.KVX", 2, 2536, 1000}, {"DATA0002.KVX", 3, 4000, 5000}})}});
  form.window->show();
  form.Click("Command1");

  // The report's CR LF breaks show as line breaks.
  QCOMPARE(form.Find<QLabel>("Label2")->text(),
           QStringLiteral("This is a ZENTO SD\n\nZENTO Firmware: 2G\nSD Name: ZENTOXC2\n"
                          "Sector/Cluster: 64\nNumber of FAT(s): 1\nMax Root Dir Entries: 512"));
  QCOMPARE(form.Find<QLabel>("Label1")->text(), QStringLiteral("2 KVX File Entries (2G) found"));
  QCOMPARE(form.Find<QLabel>("Label3")->text(), QStringLiteral("KVX Data Region (2G) found"));
  QCOMPARE(LinesOf(form), QStringList({"DATA0001.KVX         Size: 2536 @141312",
                                       "DATA0002.KVX         SizeH: 6536 or SizeF: 4000 @174080"}));
  QVERIFY(form.Find<QPushButton>("Command2")->isEnabled());
  QVERIFY(form.Find<QRadioButton>("Option1")->isVisible());
  QVERIFY(form.Find<QRadioButton>("Option2")->isVisible());
  QVERIFY(form.Find<QRadioButton>("Option2")->isChecked());
  QVERIFY(form.dialogs->messages.empty());
}

void Form1ActionsTest::sizeOptionsFollowEachQuickSearch_data() {
  QTest::addColumn<QStringList>("letters");
  QTest::addColumn<QList<bool>>("shown");
  QTest::addColumn<QList<int>>("lines");
  // E: sizes differ; F: sizes agree; G: a directory with no entry.
  QTest::newRow("differing sizes show them")
      << QStringList{"E"} << QList<bool>{true} << QList<int>{2};
  QTest::newRow("agreeing sizes hide them again")
      << QStringList{"E", "F"} << QList<bool>{true, false} << QList<int>{2, 1};
  QTest::newRow("a search that lists nothing leaves them shown")
      << QStringList{"E", "G"} << QList<bool>{true, true} << QList<int>{2, 0};
  QTest::newRow("a search that lists nothing leaves them hidden")
      << QStringList{"F", "G"} << QList<bool>{false, false} << QList<int>{1, 0};
}

void Form1ActionsTest::sizeOptionsFollowEachQuickSearch() {
  QFETCH(QStringList, letters);
  QFETCH(QList<bool>, shown);
  QFETCH(QList<int>, lines);
  WindowOnCards form(
      {{"E", CardWith({{"DATA0001.KVX", 2, 9000, 1000}, {"DATA0002.KVX", 3, 6536, 5000}})},
       {"F", CardWith({{"DATA0003.KVX", 2, 2536, 1000}})},
       {"G", CardWith({})}});
  form.window->show();
  for (int i = 0; i < letters.size(); ++i) {
    form.Find<QLineEdit>("Text1")->setText(letters[i]);
    form.Click("Command1");
    QCOMPARE(form.Find<QRadioButton>("Option1")->isVisible(), shown[i]);
    QCOMPARE(form.Find<QRadioButton>("Option2")->isVisible(), shown[i]);
    QCOMPARE(form.Find<QListWidget>("List1")->count(), lines[i]);
    QCOMPARE(form.Find<QPushButton>("Command2")->isEnabled(), lines[i] > 0);
  }
}

void Form1ActionsTest::optionClicksSetTheSizeThatRetrieveCopies() {
  WindowOnCards form({{"E", CardWith({{"DATA0001.KVX", 2, 9000, 1000}})}});
  form.window->show();
  form.Click("Command1");
  auto* option1 = form.Find<QRadioButton>("Option1");
  auto* option2 = form.Find<QRadioButton>("Option2");

  form.Click("Option1");
  QCOMPARE(form.window->state().SizeMode, 1);
  QVERIFY(option1->isChecked() && !option2->isChecked());
  form.Click("Option2");
  QCOMPARE(form.window->state().SizeMode, 0);
  QVERIFY(option2->isChecked() && !option1->isChecked());
  // A click on the option already chosen sets its size again.
  form.Click("Option1");
  form.window->state().SizeMode = 0;
  form.Click("Option1");
  QCOMPARE(form.window->state().SizeMode, 1);
}

void Form1ActionsTest::aLetterBelowDIsRefusedInABoxWithTheApplicationsTitle() {
  WindowOnCards form;
  form.Find<QLineEdit>("Text1")->setText("C");
  form.Click("Command1");
  QCOMPARE(form.dialogs->messages,
           (std::vector<ScriptedDialogs::Shown>{
               {"Sorry, but I think this drive letter is too low to be a SD drive",
                "Korvex SD Rescure"}}));
  QCOMPARE(form.Find<QLabel>("Label2")->text(), QString());
}

void Form1ActionsTest::longActionsLeaveThePointerAsTheyFoundIt_data() {
  QTest::addColumn<QString>("button");
  QTest::addColumn<QString>("letter");
  QTest::newRow("Explore") << "Command3"
                           << "E";
  QTest::newRow("Explore on a card that cannot be opened") << "Command3"
                                                           << "Q";
  QTest::newRow("Comb Through") << "Command5"
                                << "E";
  QTest::newRow("Retrieve") << "Command2"
                            << "E";
  QTest::newRow("Retrieve from a card that cannot be opened") << "Command2"
                                                              << "Q";
}

void Form1ActionsTest::longActionsLeaveThePointerAsTheyFoundIt() {
  QFETCH(QString, button);
  QFETCH(QString, letter);
  WindowOnCards form({{"E", CardWith({{"DATA0001.KVX", 2, 2536, 1000}})}});
  form.window->show();
  form.Find<QLineEdit>("Text2")->setText(QDir::tempPath() + "/no such directory/");
  form.Click("Command1");
  form.Find<QListWidget>("List1")->item(0)->setSelected(true);
  form.Find<QListWidget>("List1")->setCurrentRow(0, QItemSelectionModel::Select);
  form.Find<QLineEdit>("Text1")->setText(letter);

  form.Click(button.toLatin1().constData());
  QCOMPARE(QApplication::overrideCursor(), nullptr);
}

void Form1ActionsTest::closingTheWindowClosesTheCardASearchLeftOpen() {
  // No region marker at cluster 2: Quick Search keeps the card open.
  WindowOnCards form({{"E", CardWith({{"DATA0001.KVX", 3, 2536, 1000}})}});
  form.window->show();
  form.Click("Command1");
  QCOMPARE(form.Find<QLabel>("Label3")->text(),
           QStringLiteral("KVX Data Region not found, there is nothing to recover"));
  QVERIFY(form.window->state().card.VolumeHandle != nullptr);

  QVERIFY(form.window->close());
  QVERIFY(form.window->state().card.VolumeHandle == nullptr);
}

}  // namespace kvx::testing

QTEST_MAIN(kvx::testing::Form1ActionsTest)
#include "form1_actions_test.moc"
