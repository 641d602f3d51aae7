#include "search/card_steps.h"

#include <string>

#include "card/card_prologue.h"
#include "search/captions.h"

namespace kvx {

std::optional<std::string> CardPrologue(CardVolume& card, Controls& controls, Platform& platform,
                                        const std::function<void()>& on_opened) {
  PrologueResult result = RunCardPrologue(card, platform, controls.Text1(), on_opened);
  const std::string letter = DriveLetterFromText(controls.Text1());
  switch (result.end) {
    case PrologueEnd::kLetterTooLow:
      controls.ShowMessage(kLetterTooLowMessage, kApplicationTitle);
      controls.ReportOutcome({Outcome::kFailed, LetterTooLowOutcome(letter)});
      return std::nullopt;
    case PrologueEnd::kCannotOpen:
      controls.SetCaption(Label::Label2, kCannotOpenCaption);
      controls.ReportOutcome({Outcome::kFailed, CardFailure(result.open_failure)});
      return std::nullopt;
    case PrologueEnd::kCannotRead:
      controls.SetCaption(Label::Label2, kCannotReadCaption);
      controls.ReportOutcome({Outcome::kFailed, CannotReadOutcome(letter, Why(CardReadStatus(card), Operation::kReadCard))});
      return std::nullopt;
    case PrologueEnd::kOpened: {
      std::string report = CardReport(result.fields, result.generation);
      controls.SetCaption(Label::Label2, report);
      return report;
    }
  }
  return std::nullopt;
}

EntryRegion FindEntryRegion(CardVolume& card, Controls& controls) {
  EntryRegion region = ProbeEntryRegion(card);
  if (region.probe == RegionProbe::kTroubleReading) {
    controls.SetCaption(Label::Label1, kEntriesTroubleCaption);
  } else if (region.probe == RegionProbe::kNotFound) {
    controls.SetCaption(Label::Label1, kEntriesNotFoundCaption);
  }
  return region;
}

RegionProbe FindDataRegion(CardVolume& card, Controls& controls) {
  RegionProbe probe = ProbeDataRegion(card);
  if (probe == RegionProbe::kTroubleReading) {
    controls.SetCaption(Label::Label1, kDataRegionTroubleCaption);
  } else if (probe == RegionProbe::kNotFound) {
    controls.SetCaption(Label::Label3, kDataRegionNotFoundCaption);
  } else {
    controls.SetCaption(Label::Label3, DataRegionFoundCaption(LayoutOf(probe)));
  }
  return probe;
}

}  // namespace kvx
