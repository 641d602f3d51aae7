#include "ui/form1.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include "card/card_report.h"
#include "platform/system_platform.h"
#include "retrieve/retrieve.h"
#include "search/comb_through.h"
#include "search/explore.h"
#include "search/quick_search.h"
#include "ui/caption_fit.h"
#include "ui/dialogs.h"
#include "ui/target_directory.h"
#include "ui/twips.h"
#include "ui/widget_controls.h"

namespace kvx {

namespace {

constexpr int kClientWidthTwips = 9810;
constexpr int kClientHeightTwips = 5985;

template <typename Widget>
Widget* MakeControl(QWidget* container, const char* name, const QString& caption,
                    const TwipsRect& twips, double dpi_x, double dpi_y) {
  auto* widget = new Widget(caption, container);
  widget->setObjectName(QString::fromLatin1(name));
  widget->setGeometry(TwipsToPixels(twips, dpi_x, dpi_y));
  return widget;
}

// Labels wrap at their width and start at the top, and show card text as it
// is: a name on the card is never read as markup.
QLabel* MakeLabel(QWidget* container, const char* name, const QString& caption,
                  const TwipsRect& twips, double dpi_x, double dpi_y) {
  auto* label = MakeControl<QLabel>(container, name, caption, twips, dpi_x, dpi_y);
  label->setTextFormat(Qt::PlainText);
  label->setWordWrap(true);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  return label;
}

// The longest card report Label2 shows: the seven lines of an obsolete card.
QString LongestCardReport() {
  BootSectorFields fields{"ZENTOXC0", 128, 2, 512};
  std::string report = CardReport(fields, CardGenerationOf(fields));
  return DisplayText(report);
}

}  // namespace

Form1::Form1(DriveMap drives, std::unique_ptr<Dialogs> dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint),
      state_(std::make_unique<WindowState>()),
      platform_(NewSystemPlatform(std::move(drives))),
      dialogs_(std::move(dialogs)) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QString::fromUtf8(kWindowCaption));
  setWindowIcon(QIcon(QStringLiteral(":/kvx/kvx-rescue.xpm")));
  CreateControls();
  FitCaptions();
  SetTabOrder();
  controls_ = std::make_unique<WidgetControls>(
      WidgetControls::Widgets{this, Text1, Text2, Label1, Label2, Label3, List1, Option1, Option2,
                              Command2},
      *dialogs_);
  Form_Load();
}

Form1::~Form1() = default;

void Form1::CreateControls() {
  const double x = logicalDpiX();
  const double y = logicalDpiY();
  setFixedSize(TwipsToPixels(kClientWidthTwips, x), TwipsToPixels(kClientHeightTwips, y));

  Frame1 = MakeControl<QGroupBox>(this, "Frame1", "SD Drive", {120, 120, 6135, 735}, x, y);
  Text1 = MakeControl<QLineEdit>(Frame1, "Text1", "E", {120, 240, 375, 375}, x, y);
  Command1 =
      MakeControl<QPushButton>(Frame1, "Command1", "Quick Search ", {720, 240, 1575, 375}, x, y);
  Command3 = MakeControl<QPushButton>(Frame1, "Command3", "Explore", {2520, 240, 1575, 375}, x, y);
  Command5 =
      MakeControl<QPushButton>(Frame1, "Command5", "Comb Through", {4320, 240, 1575, 375}, x, y);

  List1 = new QListWidget(this);
  List1->setObjectName(QStringLiteral("List1"));
  List1->setGeometry(TwipsToPixels({120, 960, 6135, 4545}, x, y));
  List1->setSelectionMode(QAbstractItemView::ExtendedSelection);
  List1->setSortingEnabled(false);
  List1->setUniformItemSizes(true);

  Frame2 = MakeControl<QGroupBox>(this, "Frame2", "SD Info", {6480, 120, 3135, 3015}, x, y);
  Label2 = MakeLabel(Frame2, "Label2", QString(), {120, 240, 2895, 1815}, x, y);
  Label1 = MakeLabel(Frame2, "Label1", QString(), {120, 2160, 2895, 255}, x, y);
  Label3 = MakeLabel(Frame2, "Label3", QString(), {120, 2520, 2895, 375}, x, y);

  Option1 = MakeControl<QRadioButton>(this, "Option1", "Let FAT determine file size",
                                      {6480, 3240, 3135, 255}, x, y);
  Option2 = MakeControl<QRadioButton>(this, "Option2", "Let KVX Header determine file size",
                                      {6480, 3600, 3135, 255}, x, y);
  Option2->setChecked(true);
  Option1->hide();
  Option2->hide();

  Label4 = MakeLabel(this, "Label4",
                     "Target Directory for recovered files:", {6480, 4320, 3135, 375}, x, y);
  Text2 = MakeControl<QLineEdit>(this, "Text2", QString(), {6480, 4680, 2655, 375}, x, y);
  Text2->installEventFilter(this);
  Command4 = MakeControl<QPushButton>(this, "Command4", "...", {9240, 4680, 375, 375}, x, y);
  Command2 = MakeControl<QPushButton>(this, "Command2", "Retrieve Selected .KVX files",
                                      {6480, 5160, 3135, 375}, x, y);
  Command2->setEnabled(false);

  // A button's default minimum size would override the table's sizes.
  for (QPushButton* button : {Command1, Command2, Command3, Command4, Command5}) {
    button->setMinimumSize(0, 0);
    button->setAutoDefault(false);
  }

  connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
  connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
  connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
  connect(Command4, &QPushButton::clicked, this, &Form1::Command4_Click);
  connect(Command5, &QPushButton::clicked, this, &Form1::Command5_Click);
  connect(Option1, &QRadioButton::clicked, this, &Form1::Option1_Click);
  connect(Option2, &QRadioButton::clicked, this, &Form1::Option2_Click);
}

void Form1::FitCaptions() {
  std::vector<CaptionRoom> rooms{{Label2, LongestCardReport()}};
  for (const QAbstractButton* button : findChildren<QAbstractButton*>()) {
    rooms.push_back({button, button->text()});
  }
  for (const QGroupBox* frame : findChildren<QGroupBox*>())
    rooms.push_back({frame, frame->title()});
  rooms.push_back({Label4, Label4->text()});
  setFont(FontFittingCaptions(rooms, font()));
  // A frame's title sits on its top border, so the controls placed just below
  // the frame's top edge are inside the border, not across it. Set after the
  // font, which a widget with a style sheet no longer takes from its parent.
  const QString frame_style = QStringLiteral(
      "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 0.5em; }"
      "QGroupBox::title { subcontrol-origin: margin; left: 6px; padding: 0 2px; }");
  Frame1->setStyleSheet(frame_style);
  Frame2->setStyleSheet(frame_style);
}

// The order in which Tab visits the controls that take the focus.
void Form1::SetTabOrder() {
  QWidget* order[] = {Text1,   Command1, List1, Command2, Option1,
                      Option2, Command3, Text2, Command4, Command5};
  for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
  Text1->setFocus();
}

void Form1::Form_Load() {
  state_->SizesDiffer = false;
  Text2->setText(QString::fromUtf8(DefaultTargetDirectory()));
}

void Form1::Form_Unload() { state_->card.VolumeHandle.reset(); }

void Form1::closeEvent(QCloseEvent* event) {
  Form_Unload();
  event->accept();
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Text2 && event->type() == QEvent::MouseButtonDblClick) {
    Text2_DblClick();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

void Form1::RunAction(void (*action)(WindowState&, Controls&, Platform&)) {
  action(*state_, *controls_, *platform_);
  controls_->SetBusyPointer(false);
}

void Form1::Command1_Click() { RunAction(&QuickSearch); }

void Form1::Command3_Click() { RunAction(&Explore); }

void Form1::Command5_Click() { RunAction(&CombThrough); }

void Form1::Command2_Click() { RunAction(&Retrieve); }

void Form1::Option1_Click() { state_->SizeMode = 1; }

void Form1::Option2_Click() { state_->SizeMode = 0; }

// The target-directory chooser: the directory of the file the user picks, with
// its final separator, becomes Text2; a cancel leaves Text2 as it is.
void Form1::Text2_DblClick() {
  std::optional<ChosenFile> chosen = dialogs_->ChooseFile(this, Text2->text(), kOfferedFileName);
  if (!chosen) return;
  Text2->setText(DirectoryOfChosenFile(chosen->file_name, chosen->file_title));
}

void Form1::Command4_Click() { Text2_DblClick(); }

}  // namespace kvx
