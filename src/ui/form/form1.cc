#include "ui/form/form1.h"

#include "card/card_prologue.h"
#include "imaging/card_imager.h"
#include "search/imaging_captions.h"
#include "platform/system_platform.h"
#include "retrieve/retrieve.h"
#include "search/captions.h"
#include "search/comb_through.h"
#include "search/explore.h"
#include "search/quick_search.h"
#include "ui/form/target_directory.h"

namespace kvx {

std::string MessageTitle(const std::string& title) {
  return title.empty() ? kApplicationTitle : title;
}

Form1::Form1(FormView& view, Dialogs& dialogs, Platform& platform, ActionStatus& status)
    : view_(view), dialogs_(dialogs), platform_(platform), status_(status) {}

void Form1::Form_Load() {
  state_->SizesDiffer = false;
  view_.SetText2(DefaultTargetDirectory());
  Text1_Change();
}

bool Form1::Form_QueryUnload() { return status_.MayClose(); }

void Form1::Form_Unload() { state_->Card.VolumeHandle.reset(); }

void Form1::RunAction(void (*action)(WindowState&, Controls&, Platform&), ActionKind kind) {
  if (status_.Running()) return;
  status_.Begin(kind);
  action(*state_, view_, platform_);
  view_.SetBusyPointer(false);
  if (status_.End()) view_.CloseWindow();
}

void Form1::Command1_Click() { RunAction(&QuickSearch, ActionKind::kShort); }

void Form1::Command3_Click() { RunAction(&Explore, ActionKind::kRead); }

void Form1::Command5_Click() { RunAction(&CombThrough, ActionKind::kRead); }

void Form1::Command2_Click() { RunAction(&Retrieve, ActionKind::kCopy); }

void Form1::Option1_Click() {
  if (!status_.Running()) state_->SizeMode = SizeChoice::kByFat;
}

void Form1::Option2_Click() {
  if (!status_.Running()) state_->SizeMode = SizeChoice::kByHeader;
}

void Form1::Text2_DblClick() {
  if (status_.Running()) return;
  std::optional<ChosenFile> chosen = dialogs_.ChooseFile(view_.Text2(), kOfferedFileName);
  if (!chosen) return;
  view_.SetText2(DirectoryOfChosenFile(chosen->file_name, chosen->file_title));
}

void Form1::Command4_Click() { Text2_DblClick(); }

namespace {

Outcome OutcomeOfImaging(const ImageResult& result, const std::string& image_path) {
  Outcome::Kind kind = result.outcome == ImageOutcome::kImaged    ? Outcome::kDone
                       : result.outcome == ImageOutcome::kStopped ? Outcome::kStopped
                                                                  : Outcome::kFailed;
  return {kind, ImageOutcomeText(result, image_path)};
}

}  // namespace

void Form1::ImageCard_Click() {
  if (status_.Running()) return;
  const std::string letter = DriveLetterFromText(view_.Text1());
  if (IsBelowD(letter)) {
    dialogs_.ShowMessage(kLetterTooLowMessage, kApplicationTitle);
    return;
  }
  std::optional<std::string> image_path = dialogs_.ChooseImageFile("card-" + letter + ".img");
  if (!image_path) return;
  status_.Begin(ActionKind::kImage);
  view_.SetBusyPointer(true);
  Result<std::unique_ptr<Volume>> card = platform_.OpenVolume(letter);
  if (!card) {
    status_.Report({Outcome::kFailed, CardFailure(card.status())});
  } else {
    ImageResult result = ImageCard(
        **card, platform_, *image_path, ImagingOptions{},
        [this](const ImagingProgress& progress) { status_.ImagingReport(progress); },
        [this] { return status_.StopRequested(); });
    status_.Report(OutcomeOfImaging(result, *image_path));
  }
  view_.SetBusyPointer(false);
  if (status_.End()) view_.CloseWindow();
}

void Form1::Text1_Change() {
  status_.ShowAtRest(platform_.DescribeLetter(DriveLetterFromText(view_.Text1())));
}

}  // namespace kvx
