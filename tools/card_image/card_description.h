// A card image from a short text description, one instruction a line:
//
//   layout 1G|2G                 first line; the layout and its defaults
//   length 8M                    image length in bytes (K, M, G suffixes)
//   signature ZENTOXC2           boot-sector name field
//   fats 1 | sectors-per-cluster 64 | root-entries 512 | sectors-per-fat 124
//   marker yes|no|deleted        the marker entry in slot 1
//   file NAME.EXT cluster=N body=N [size=N] [seed=N] [deleted]
//                                a directory entry and a KVX file at cluster N;
//                                size= sets the directory's size (default 1536+body)
//   entry NAME.EXT cluster=N size=N [deleted]    a directory entry only
//   orphan OFFSET body=N [seed=N]  a KVX file with no directory entry
//   header OFFSET body=N           a lone header
//   byte OFFSET VALUE              one byte set
//
// '#' starts a comment. Numbers are decimal or 0x hexadecimal.
#pragma once

#include <istream>
#include <optional>
#include <string>

#include "tools/card_image/card_image.h"

namespace kvx {

// The image described, or nullopt with `error` naming the offending line.
std::optional<CardImage> BuildCardImage(std::istream& description, std::string& error);

}  // namespace kvx
