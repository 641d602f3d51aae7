// The dialogs a person sees, shown for real on the offscreen screen and
// answered by a timer that inspects them first: no icon, the given title, the
// buttons and default, and the file dialog's start, offer and answer.
#include "ui/qt_dialogs.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

namespace kvx::testing {

namespace {

// Calls `answer` with the modal dialog as soon as it shows; a dialog that
// never shows fails the test instead of blocking it.
template <typename Dialog>
void AnswerNextDialog(std::function<void(Dialog*)> answer, bool* answered) {
  auto* poll = new QTimer;
  auto started = std::make_shared<QElapsedTimer>();
  started->start();
  QObject::connect(poll, &QTimer::timeout, [=] {
    if (auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget())) {
      poll->stop();
      poll->deleteLater();
      *answered = true;
      answer(dialog);
    } else if (started->elapsed() > 5000) {
      poll->stop();
      poll->deleteLater();
      if (QWidget* other = QApplication::activeModalWidget()) other->close();
    }
  });
  poll->start(10);
}

}  // namespace

class QtDialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void aMessageHasTheGivenTitleNoIconAndOnlyOk();
  void aQuestionHasYesAndNoWithYesTheDefault_data();
  void aQuestionHasYesAndNoWithYesTheDefault();
  void theFileDialogIsQtsOwnStartingInTheDirectoryWithTheOfferedName();
  void thePickedFileComesBackWithNativeSeparatorsAndItsTitle_data();
  void thePickedFileComesBackWithNativeSeparatorsAndItsTitle();
  void aCancelledFileDialogGivesNothing();
};

void QtDialogsTest::aMessageHasTheGivenTitleNoIconAndOnlyOk() {
  QtDialogs dialogs;
  bool answered = false;
  AnswerNextDialog<QMessageBox>(
      [](QMessageBox* box) {
        QCOMPARE(box->windowTitle(), QStringLiteral("Korvex SD Rescure"));
        QCOMPARE(box->text(), QStringLiteral("first line\nsecond <b>line</b>"));
        QCOMPARE(box->textFormat(), Qt::PlainText);
        QCOMPARE(box->icon(), QMessageBox::NoIcon);
        QCOMPARE(box->buttons().size(), 1);
        QCOMPARE(box->standardButton(box->buttons().first()), QMessageBox::Ok);
        box->buttons().first()->click();
      },
      &answered);
  dialogs.ShowMessage(nullptr, "first line\nsecond <b>line</b>", "Korvex SD Rescure");
  QVERIFY(answered);
}

void QtDialogsTest::aQuestionHasYesAndNoWithYesTheDefault_data() {
  QTest::addColumn<int>("key");
  QTest::addColumn<bool>("yes");
  QTest::newRow("Enter answers Yes") << int(Qt::Key_Return) << true;
  QTest::newRow("Escape answers No") << int(Qt::Key_Escape) << false;
  QTest::newRow("N answers No") << int(Qt::Key_N) << false;
}

void QtDialogsTest::aQuestionHasYesAndNoWithYesTheDefault() {
  QFETCH(int, key);
  QFETCH(bool, yes);
  QtDialogs dialogs;
  bool answered = false;
  AnswerNextDialog<QMessageBox>(
      [key](QMessageBox* box) {
        QCOMPARE(box->windowTitle(), QStringLiteral("Korvex SD Rescue"));
        QCOMPARE(box->icon(), QMessageBox::NoIcon);
        QCOMPARE(box->buttons().size(), 2);
        QCOMPARE(box->defaultButton(), box->button(QMessageBox::Yes));
        QTest::keyClick(box, static_cast<Qt::Key>(key));
      },
      &answered);
  QCOMPARE(dialogs.AskYesNo(nullptr, "Comb?", "Korvex SD Rescue"), yes);
  QVERIFY(answered);
}

void QtDialogsTest::theFileDialogIsQtsOwnStartingInTheDirectoryWithTheOfferedName() {
  QTemporaryDir start;
  QtDialogs dialogs;
  bool answered = false;
  AnswerNextDialog<QFileDialog>(
      [&](QFileDialog* dialog) {
        QVERIFY(dialog->testOption(QFileDialog::DontUseNativeDialog));
        QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptOpen);
        QCOMPARE(dialog->directory().absolutePath(), QDir(start.path()).absolutePath());
        QCOMPARE(dialog->findChild<QLineEdit*>("fileNameEdit")->text(), QStringLiteral("*.*"));
        dialog->reject();
      },
      &answered);
  dialogs.ChooseFile(nullptr, QDir::toNativeSeparators(start.path() + "/"), "*.*");
  QVERIFY(answered);
}

void QtDialogsTest::thePickedFileComesBackWithNativeSeparatorsAndItsTitle_data() {
  QTest::addColumn<QString>("name");
  QTest::newRow("an existing file") << "log.kvx";
  QTest::newRow("a name typed for an empty directory") << "new.kvx";
  QTest::newRow("the offered name accepted as it is") << "*.*";
}

void QtDialogsTest::thePickedFileComesBackWithNativeSeparatorsAndItsTitle() {
  QFETCH(QString, name);
  QTemporaryDir start;
  QFile existing(start.filePath("log.kvx"));
  QVERIFY(existing.open(QIODevice::WriteOnly));
  existing.close();
  QtDialogs dialogs;
  bool answered = false;
  AnswerNextDialog<QFileDialog>(
      [name](QFileDialog* dialog) {
        auto* box = dialog->findChild<QLineEdit*>("fileNameEdit");
        box->setText(name);
        QMetaObject::invokeMethod(dialog, "accept");
      },
      &answered);
  std::optional<ChosenFile> chosen = dialogs.ChooseFile(nullptr, start.path(), "*.*");
  QVERIFY(answered);
  QVERIFY(chosen.has_value());
  QCOMPARE(chosen->file_name, QDir::toNativeSeparators(start.path() + "/" + name));
  QCOMPARE(chosen->file_title, name);
}

void QtDialogsTest::aCancelledFileDialogGivesNothing() {
  QtDialogs dialogs;
  bool answered = false;
  AnswerNextDialog<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); }, &answered);
  QVERIFY(!dialogs.ChooseFile(nullptr, QDir::tempPath(), "*.*").has_value());
  QVERIFY(answered);
}

}  // namespace kvx::testing

QTEST_MAIN(kvx::testing::QtDialogsTest)
#include "qt_dialogs_test.moc"
