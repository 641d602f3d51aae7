// A window whose drive letters read card images written to a temporary
// directory, with scripted dialogs.
#pragma once

#include <QAbstractButton>
#include <QTemporaryDir>
#include <QTest>
#include <map>
#include <memory>
#include <string>

#include "tests/ui/scripted_dialogs.h"
#include "tools/card_image/card_image.h"
#include "ui/form1.h"

namespace kvx::testing {

class WindowOnCards {
 public:
  // `cards` maps drive letters to the images they read.
  explicit WindowOnCards(const std::map<std::string, CardImage>& cards = {}) {
    DriveMap drives;
    for (const auto& [letter, image] : cards) {
      std::string path = dir_.filePath(QString::fromStdString(letter + ".img")).toStdString();
      if (!image.WriteTo(path)) qFatal("cannot write a card image to %s", path.c_str());
      drives.Add(letter + "=" + path);
    }
    auto scripted = std::make_unique<ScriptedDialogs>();
    dialogs = scripted.get();
    window = std::make_unique<Form1>(std::move(drives), std::move(scripted));
  }

  template <typename Widget>
  Widget* Find(const char* name) const {
    auto* widget = window->findChild<Widget*>(QString::fromLatin1(name));
    if (widget == nullptr) qFatal("no control named %s", name);
    return widget;
  }

  void Click(const char* button) {
    QTest::mouseClick(Find<QAbstractButton>(button), Qt::LeftButton);
  }

  ScriptedDialogs* dialogs = nullptr;
  std::unique_ptr<Form1> window;

 private:
  QTemporaryDir dir_;
};

// A 2G card of 4 MiB with the given entries, each file placed at its cluster
// with a header stating `body` bytes after the 1536-byte header.
struct Entry {
  const char* name;
  int cluster;
  std::uint32_t size;
  std::uint32_t body;
};

inline CardImage CardWith(std::initializer_list<Entry> entries) {
  CardImage card(CardImage::Layout::G2, 4 << 20);
  for (const Entry& entry : entries) {
    card.AddEntry(entry.name, entry.cluster, entry.size);
    card.PlaceFile(card.ClusterOffset(entry.cluster), entry.body);
  }
  return card;
}

}  // namespace kvx::testing
