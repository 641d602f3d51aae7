// Every text the actions show: captions, message boxes, the card report and
// the words of the List1 lines. UTF-8, with CR LF line breaks.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "card/boot_sector.h"
#include "card/card_layout.h"

namespace kvx {

struct FoundFile;

inline constexpr std::string_view LineBreak = "\r\n";
inline constexpr std::string_view DoubleLineBreak = "\r\n\r\n";

// The title of every message box that gives none of its own.
inline constexpr char kApplicationTitle[] = "Korvex SD Rescure";
// The window's caption, also the title of Comb Through's confirmation.
inline constexpr char kWindowCaption[] = "Korvex SD Rescue";

// The card prologue's ends.
inline constexpr char kLetterTooLowMessage[] =
    "Sorry, but I think this drive letter is too low to be a SD drive";
inline constexpr char kCannotOpenCaption[] = "Can't open SD";
inline constexpr char kCannotReadCaption[] = "Can't read SD";

// The region probes' ends.
inline constexpr char kEntriesTroubleCaption[] = "Trouble reading KVX file entries";
inline constexpr char kEntriesNotFoundCaption[] = "KVX File Entries not found";
inline constexpr char kDataRegionTroubleCaption[] = "Trouble reading KVX data region";
inline constexpr char kDataRegionNotFoundCaption[] =
    "KVX Data Region not found, there is nothing to recover";

// Quick Search.
inline constexpr char kNoEntryCaption[] = "No KVX File Entry";

// Explore and Comb Through.
inline constexpr char kExploreCaption[] = "Skipepd DIR region";  // sic: the caption as shipped
inline constexpr char kCombCaption[] = "Skipped DIR region";
inline constexpr char kCombConfirmation[] =
    "We will comb through every sector of SD to find all possible .KVX files\r\n\r\n"
    "The operation may take a long time\r\n\r\n"
    "Do you want to continue?";
inline constexpr char kNoFilesCaption[] = "No KVX Files found";
// The names of their finds begin so: RECOVER0.KVX, FOUND0.KVX onward.
inline constexpr char kExploreNameStem[] = "RECOVER";
inline constexpr char kCombNameStem[] = "FOUND";

// Retrieve.
inline constexpr char kExistsTitle[] = "Recovery file";
inline constexpr char kCannotCreateMessage[] = "Can't create target file...";
inline constexpr char kCannotWriteMessage[] = "Can't write target file...";
inline constexpr char kCannotReadForRetrieveMessage[] =
    "Can't read from SD, please resite the SD and try again";

// The report for Label2: seven lines for a recognised card (generation 0 and
// up), four for any other.
std::string CardReport(const BootSectorFields& fields, int generation);

// "KVX Data Region (1G) found", or the 2G one.
std::string DataRegionFoundCaption(const CardLayout& layout);
// "N KVX File Entries (1G) found", or the 2G one.
std::string EntriesFoundCaption(int count, const CardLayout& layout);
// "N KVX File(s) found".
std::string FilesFoundCaption(int count);
// "PATH exists, please select a different directory".
std::string TargetExistsMessage(const std::string& path);

// The List1 line of a record: name, " Size: " and the size when both sizes
// agree, otherwise " SizeH: ", the header's and " or SizeF: ", the directory's;
// then " @" and the offset.
std::string ListLine(const FoundFile& file);

// `text` with its CR LF breaks as plain line feeds, for displays that draw a
// lone CR as a blank.
std::string WithLineFeeds(std::string_view text);

}  // namespace kvx
