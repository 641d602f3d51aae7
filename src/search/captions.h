// Every text the actions show: captions, message boxes, the card report and
// the words of the List1 lines. UTF-8, with CR LF line breaks.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "card/boot_sector.h"
#include "card/card_layout.h"
#include "platform/status.h"

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

// Outcome lines: what an action came to, for the status bar and the headless
// front end's diagnostics. Sizes in units of 1024: "512 bytes", "196 KB",
// "1.9 GB".
std::string ByteCount(std::int64_t bytes);
// "43 %": how far `done` is into `total`; "0 %" for an unknown total.
std::string Percent(std::int64_t done, std::int64_t total);
// "12 s", "3 min 5 s", "2 h 7 min".
std::string Duration(std::int64_t seconds);
// "12 files" or "1 file".
std::string FileCount(int count);

// Why an operation failed, with a hint where one helps: "permission denied:
// run as root or join the disk group", "no such folder". `Why` leaves out
// the path, for texts that name it already; CardFailure names it:
// "/dev/sdb: permission denied: ...", "letter F names no card: ...".
enum class Operation { kOpenCard, kReadCard, kCreateFile, kWriteFile };
std::string Why(const Status& status, Operation operation);
std::string CardFailure(const Status& status);

// The prologue's failures: the letter typed, or why the card would not open
// or read ("/dev/sdb: permission denied: run as root or join the disk group").
std::string LetterTooLowOutcome(const std::string& letter);
std::string CannotReadOutcome(const std::string& letter, const std::string& reason);
// "Quick Search: 12 files listed", "Explore: 3 files listed".
std::string ListedOutcome(std::string_view action, int count);
// "Quick Search: no KVX file entries", "Explore: no KVX data region".
std::string NothingToSearchOutcome(std::string_view action, std::string_view what_is_missing);
// "Quick Search: reading the KVX file entries failed: REASON".
std::string RegionReadFailedOutcome(std::string_view action, std::string_view region,
                                    const std::string& reason);
// "Comb Through read 1.9 GB: 12 files".
std::string CombReadOutcome(std::int64_t bytes_read, int count);
// "Comb Through: reading the card failed at 1.2 GB: REASON; 12 files listed".
std::string CombReadFailedOutcome(std::int64_t at, const std::string& reason, int count);
// "Explore stopped at 43 %: 3 files listed".
std::string StoppedOutcome(std::string_view action, std::int64_t done, std::int64_t total,
                           int count);
inline constexpr char kExploreAction[] = "Explore";
inline constexpr char kQuickSearchAction[] = "Quick Search";
inline constexpr char kCombAction[] = "Comb Through";
inline constexpr char kEntriesRegion[] = "KVX file entries";
inline constexpr char kDataRegionName[] = "KVX data region";
inline constexpr char kCombNotStarted[] = "Comb Through not started";

// Retrieve's ends. "Copied 3 files, 196 KB, to /data/out/".
std::string CopiedOutcome(int copied, std::int64_t bytes, const std::string& target);
// "Copied 2 of 4 files: " followed by what stopped the run.
std::string CopiedPartlyOutcome(int copied, int selected, const std::string& why);
// "DATA0001.KVX exists".
std::string TargetExistsReason(const std::string& name);
// "cannot create /data/out/DATA0001.KVX: REASON".
std::string CannotCreateReason(const std::string& path, const std::string& reason);
// "writing DATA0001.KVX failed after 1.2 MB: REASON".
std::string CannotWriteReason(const std::string& name, std::int64_t written,
                              const std::string& reason);
// "stopped, DATA0003.KVX: 1.2 MB of 2.0 MB".
std::string StoppedCopyReason(const std::string& name, std::int64_t written, std::int64_t size);
inline constexpr char kStoppedBetweenFilesReason[] = "stopped";
// Added to Retrieve's outcome for a card image with a map beside it:
// "; DATA0002.KVX includes 1.5 KB the card could not give (see OUT.img.map)".
std::string UnreadSectorsNote(const std::string& name, std::int64_t unread,
                              const std::string& map_path);
// "; OUT.img.map unreadable".
std::string MapUnreadableNote(const std::string& map_path);
inline constexpr char kNothingSelectedOutcome[] = "Retrieve: no line selected";
// "stopped, DATA0003.KVX copied, its second read at 1.2 MB of 2.0 MB".
std::string StoppedSecondReadReason(const std::string& name, std::int64_t done, std::int64_t size);
// Added to Retrieve's outcome for each file whose second read did not match,
// with offsets within the file: "; DATA0002.KVX differs on a second read at
// offset 4096", "; DATA0002.KVX: its second read failed at offset 4096:
// REASON", "; DATA0002.KVX: reading it back failed at offset 0".
std::string SecondReadDiffersNote(const std::string& name, std::int64_t at);
std::string SecondReadFailedNote(const std::string& name, std::int64_t at,
                                 const std::string& reason);
std::string ReadBackFailedNote(const std::string& name, std::int64_t at);
// The rescue's record: "; digests in kvx-rescue-20261206-090507.sha256", or
// "; writing kvx-rescue-20261206-090507.json failed: REASON".
std::string DigestsNote(const std::string& manifest_name);
std::string RecordFailedNote(const std::string& name, const std::string& reason);

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
