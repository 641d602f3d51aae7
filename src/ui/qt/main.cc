// kvx-rescue: the KVX card rescue window.
#include <QApplication>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "controls/controls.h"
#include "platform/system_platform.h"
#include "search/captions.h"
#include "ui/qt/qt_dialogs.h"
#include "ui/qt/qt_window.h"
#include "ui/window_options.h"

int main(int argc, char** argv) {
  kvx::IgnoreFileSizeSignal();
  // Read before Qt starts, so --help and a usage error need no display.
  kvx::WindowOptions options =
      kvx::ParseWindowOptions(std::vector<std::string>(argv + 1, argv + argc));
  if (options.help) {
    std::fputs(kvx::WindowUsage().c_str(), stdout);
    return 0;
  }
  if (!options.error.empty()) {
    std::fprintf(stderr, "kvx-rescue: %s\n", options.error.c_str());
    return 2;
  }

  QApplication application(argc, argv);
  // The application's name, not its display name: Qt appends a display name
  // to every window title, and the window's caption must stay as it is.
  QApplication::setApplicationName(QString::fromUtf8(kvx::kApplicationTitle));
  kvx::QtWindow window(std::move(options.drives), std::make_unique<kvx::QtDialogs>());
  window.show();
  return QApplication::exec();
}
