// The command line of kvx-rescue: drive mappings, help, and one-line errors.
#include "ui/window_options.h"

#include <QTest>

namespace kvx::testing {

class WindowOptionsTest : public QObject {
  Q_OBJECT

 private slots:
  void commandLinesAreReadOrRefused_data();
  void commandLinesAreReadOrRefused();
  void withNativeDriveLettersTheCommandLineIsNotRead();
};

void WindowOptionsTest::commandLinesAreReadOrRefused_data() {
  QTest::addColumn<QStringList>("args");
  QTest::addColumn<bool>("help");
  QTest::addColumn<QString>("error_start");  // empty: no error
  QTest::addColumn<QString>("e_path");
  QTest::newRow("nothing") << QStringList{} << false << ""
                           << "";
  QTest::newRow("one drive") << QStringList{"--drive", "E=/dev/sdb"} << false << ""
                             << "/dev/sdb";
  QTest::newRow("joined, lower-case, mapped again")
      << QStringList{"--drive=e=/a.img", "--drive", "E=/b.img"} << false << ""
      << "/b.img";
  QTest::newRow("help") << QStringList{"--drive", "E=/a", "--help"} << true << ""
                        << "";
  QTest::newRow("a value missing") << QStringList{"--drive"} << false << "--drive needs"
                                   << "";
  QTest::newRow("no letter") << QStringList{"--drive", "=/a"} << false << "--drive expects"
                             << "";
  QTest::newRow("no path") << QStringList{"--drive", "E="} << false << "--drive expects"
                           << "";
  QTest::newRow("something else") << QStringList{"-platform", "offscreen"} << false
                                  << "unknown argument"
                                  << "";
}

void WindowOptionsTest::commandLinesAreReadOrRefused() {
  QFETCH(QStringList, args);
  QFETCH(bool, help);
  QFETCH(QString, error_start);
  QFETCH(QString, e_path);
  std::vector<std::string> argv;
  for (const QString& arg : args) argv.push_back(arg.toStdString());

  WindowOptions options = ParseWindowOptions(argv, true);
  QCOMPARE(options.help, help);
  QVERIFY2(QString::fromStdString(options.error).startsWith(error_start), options.error.c_str());
  QCOMPARE(options.error.empty(), error_start.isEmpty());
  QVERIFY(options.error.find('\n') == std::string::npos);
  if (!e_path.isEmpty()) {
    QCOMPARE(QString::fromStdString(options.drives.PathOf("E").value_or("")), e_path);
  }
}

void WindowOptionsTest::withNativeDriveLettersTheCommandLineIsNotRead() {
  WindowOptions options = ParseWindowOptions({"--drive", "E=/a", "--bogus"}, false);
  QVERIFY(options.error.empty());
  QVERIFY(!options.help);
  QVERIFY(!options.drives.PathOf("E").has_value());
}

}  // namespace kvx::testing

QTEST_MAIN(kvx::testing::WindowOptionsTest)
#include "window_options_test.moc"
