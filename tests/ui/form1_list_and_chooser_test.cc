// What the user picks in the window: lines of List1 as the controls port
// reports them to Retrieve, and the target directory through the chooser.
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "tests/ui/window_on_cards.h"
#include "ui/widget_controls.h"

namespace kvx::testing {

// A click on a line of List1, with the keys held.
struct ListClick {
  int line;
  Qt::KeyboardModifiers modifiers;
};

}  // namespace kvx::testing

Q_DECLARE_METATYPE(kvx::testing::ListClick)

namespace kvx::testing {

class Form1ListAndChooserTest : public QObject {
  Q_OBJECT

 private slots:
  void clicksSelectLinesAsInAnExtendedList_data();
  void clicksSelectLinesAsInAnExtendedList();
  void theChosenFilesDirectoryBecomesTextTwo_data();
  void theChosenFilesDirectoryBecomesTextTwo();
  void aCancelledChooserLeavesTextTwoAsItWas();
};

void Form1ListAndChooserTest::clicksSelectLinesAsInAnExtendedList_data() {
  QTest::addColumn<QList<ListClick>>("clicks");
  QTest::addColumn<QList<int>>("selected");
  QTest::addColumn<int>("current");
  QTest::newRow("a click selects one line")
      << QList<ListClick>{{1, {}}, {3, {}}} << QList<int>{3} << 3;
  QTest::newRow("Ctrl+click adds lines")
      << QList<ListClick>{{1, {}}, {3, Qt::ControlModifier}, {4, Qt::ControlModifier}}
      << QList<int>{1, 3, 4} << 4;
  QTest::newRow("Ctrl+click takes a line away")
      << QList<ListClick>{{1, {}}, {3, Qt::ControlModifier}, {1, Qt::ControlModifier}}
      << QList<int>{3} << 1;
  QTest::newRow("Shift+click selects the run from the last click")
      << QList<ListClick>{{1, {}}, {3, Qt::ShiftModifier}} << QList<int>{1, 2, 3} << 3;
  QTest::newRow("Shift+click after Ctrl+click adds the run from the Ctrl+clicked line")
      << QList<ListClick>{{0, {}}, {2, Qt::ControlModifier}, {4, Qt::ShiftModifier}}
      << QList<int>{0, 2, 3, 4} << 4;
}

void Form1ListAndChooserTest::clicksSelectLinesAsInAnExtendedList() {
  QFETCH(QList<ListClick>, clicks);
  QFETCH(QList<int>, selected);
  QFETCH(int, current);
  WindowOnCards form({{"E", CardWith({{"DATA0001.KVX", 2, 2536, 1000},
                                      {"DATA0002.KVX", 3, 2536, 1000},
                                      {"DATA0003.KVX", 4, 2536, 1000},
                                      {"DATA0004.KVX", 5, 2536, 1000},
                                      {"DATA0005.KVX", 6, 2536, 1000}})}});
  form.window->show();
  form.Click("Command1");
  auto* list = form.Find<QListWidget>("List1");
  QCOMPARE(list->count(), 5);

  for (const ListClick& click : clicks) {
    QRect line = list->visualItemRect(list->item(click.line));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, click.modifiers, line.center());
  }

  // What Retrieve reads through the port.
  ScriptedDialogs unused;
  WidgetControls port(
      {form.window.get(), form.Find<QLineEdit>("Text1"), form.Find<QLineEdit>("Text2"),
       form.Find<QLabel>("Label1"), form.Find<QLabel>("Label2"), form.Find<QLabel>("Label3"), list,
       form.Find<QRadioButton>("Option1"), form.Find<QRadioButton>("Option2"),
       form.Find<QPushButton>("Command2")},
      unused);
  QList<int> reported;
  for (int line = 0; line < port.LineCount(); ++line) {
    if (port.IsSelected(line)) reported << line;
  }
  QCOMPARE(reported, selected);
  QCOMPARE(port.SelectedCount(), selected.size());
  QCOMPARE(port.CurrentIndex(), current);
}

void Form1ListAndChooserTest::theChosenFilesDirectoryBecomesTextTwo_data() {
  QTest::addColumn<QString>("file_name");
  QTest::addColumn<QString>("file_title");
  QTest::addColumn<QString>("text2");
  QTest::newRow("a picked file") << "/media/out/log.kvx"
                                 << "log.kvx"
                                 << "/media/out/";
  QTest::newRow("a picked file on Windows") << "D:\\out\\a.kvx"
                                            << "a.kvx"
                                            << "D:\\out\\";
  QTest::newRow("the offered name kept") << "C:\\data\\*.*"
                                         << "*.*"
                                         << "C:\\data\\";
  QTest::newRow("the offered name with no title") << "C:\\data\\*.*"
                                                  << ""
                                                  << "C:\\data\\";
  QTest::newRow("a file in the root") << "/x.kvx"
                                      << "x.kvx"
                                      << "/";
}

void Form1ListAndChooserTest::theChosenFilesDirectoryBecomesTextTwo() {
  QFETCH(QString, file_name);
  QFETCH(QString, file_title);
  QFETCH(QString, text2);
  WindowOnCards form;
  form.window->show();
  auto* box = form.Find<QLineEdit>("Text2");

  // A double-click on Text2 and a click on "..." open the same chooser, which
  // starts in the directory Text2 names and offers "*.*".
  box->setText("/srv/cards/");
  form.dialogs->next_files.push_back(ChosenFile{file_name, file_title});
  QTest::mouseDClick(box, Qt::LeftButton);
  QCOMPARE(box->text(), text2);

  box->setText("/elsewhere/");
  form.dialogs->next_files.push_back(ChosenFile{file_name, file_title});
  form.Click("Command4");
  QCOMPARE(box->text(), text2);

  QCOMPARE(form.dialogs->choosers.size(), 2u);
  QCOMPARE(form.dialogs->choosers[0].directory, QStringLiteral("/srv/cards/"));
  QCOMPARE(form.dialogs->choosers[1].directory, QStringLiteral("/elsewhere/"));
  for (const auto& opened : form.dialogs->choosers) {
    QCOMPARE(opened.file_name, QStringLiteral("*.*"));
  }
}

void Form1ListAndChooserTest::aCancelledChooserLeavesTextTwoAsItWas() {
  WindowOnCards form;
  form.window->show();
  form.Find<QLineEdit>("Text2")->setText("/srv/cards/");
  form.dialogs->next_files.push_back(std::nullopt);
  form.Click("Command4");
  QCOMPARE(form.Find<QLineEdit>("Text2")->text(), QStringLiteral("/srv/cards/"));
}

}  // namespace kvx::testing

QTEST_MAIN(kvx::testing::Form1ListAndChooserTest)
#include "form1_list_and_chooser_test.moc"
