#include "ui/qt/qt_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <algorithm>
#include <vector>

#include "card/boot_sector.h"
#include "platform/system_platform.h"
#include "search/captions.h"
#include "ui/qt/caption_fit.h"
#include "ui/qt/display_text.h"
#include "ui/qt/widget_controls.h"

namespace kvx {

namespace {

QRect TwipsToPixels(const TwipsRect& rect, double dpi_x, double dpi_y) {
  return QRect(kvx::TwipsToPixels(rect.left, dpi_x), kvx::TwipsToPixels(rect.top, dpi_y),
               kvx::TwipsToPixels(rect.width, dpi_x), kvx::TwipsToPixels(rect.height, dpi_y));
}

QWidget* MakeWidget(ControlKind kind, const QString& caption, QWidget* container) {
  switch (kind) {
    case ControlKind::kFrame: return new QGroupBox(caption, container);
    case ControlKind::kTextBox: return new QLineEdit(caption, container);
    case ControlKind::kOptionButton: return new QRadioButton(caption, container);
    case ControlKind::kButton: {
      auto* button = new QPushButton(caption, container);
      // A button's default minimum size would override the table's sizes.
      button->setMinimumSize(0, 0);
      button->setAutoDefault(false);
      return button;
    }
    case ControlKind::kListBox: {
      auto* list = new QListWidget(container);
      list->setSelectionMode(QAbstractItemView::ExtendedSelection);
      list->setSortingEnabled(false);
      list->setUniformItemSizes(true);
      return list;
    }
    case ControlKind::kLabel: {
      // Labels wrap at their width and start at the top, and show card text
      // as it is: a name on the card is never read as markup.
      auto* label = new QLabel(caption, container);
      label->setTextFormat(Qt::PlainText);
      label->setWordWrap(true);
      label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      return label;
    }
  }
  return nullptr;
}

// The longest card report Label2 shows: the seven lines of an obsolete card.
QString LongestCardReport() {
  BootSectorFields fields{"ZENTOXC0", 128, 2, 512};
  std::string report = CardReport(fields, CardGenerationOf(fields));
  return DisplayText(report);
}

// User input: what a window takes no part of during an action.
bool IsUserInput(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::InputMethod:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease: return true;
    default: return false;
  }
}

}  // namespace

QtWindow::QtWindow(DriveMap drives, std::unique_ptr<Dialogs> dialogs, QWidget* parent)
    : QtWindow(NewSystemPlatform(std::move(drives)), std::move(dialogs), parent) {}

QtWindow::QtWindow(std::unique_ptr<Platform> platform, std::unique_ptr<Dialogs> dialogs,
                   QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint),
      platform_(std::move(platform)),
      dialogs_(std::move(dialogs)) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QString::fromUtf8(kWindowCaption));
  setWindowIcon(QIcon(QStringLiteral(":/kvx/kvx-rescue.xpm")));
  for (const FormControl& control : Form1Controls()) {
    controls_by_name_[control.name] = MakeControl(control);
  }
  FitCaptions();
  SetTabOrder();
  MakeStatusBar();
  status_ = std::make_unique<ActionStatus>(static_cast<StatusBarView&>(*this));
  controls_ = std::make_unique<WidgetControls>(
      WidgetControls::Widgets{
          qobject_cast<QLineEdit*>(Control("Text1")), qobject_cast<QLineEdit*>(Control("Text2")),
          qobject_cast<QLabel*>(Control("Label1")), qobject_cast<QLabel*>(Control("Label2")),
          qobject_cast<QLabel*>(Control("Label3")), qobject_cast<QListWidget*>(Control("List1")),
          qobject_cast<QRadioButton*>(Control("Option1")),
          qobject_cast<QRadioButton*>(Control("Option2")),
          qobject_cast<QPushButton*>(Control("Command2"))},
      *dialogs_, *status_);
  form_ = std::make_unique<Form1>(*controls_, *dialogs_, *platform_, *status_);
  ConnectHandlers();
  MakeWindowMenu();
  form_->Form_Load();
}

QtWindow::~QtWindow() { qApp->removeEventFilter(this); }

Controls& QtWindow::controls() { return *controls_; }

QWidget* QtWindow::MakeControl(const FormControl& control) {
  QWidget* container = *control.container ? Control(control.container) : this;
  QWidget* widget = MakeWidget(control.kind, QString::fromUtf8(control.caption), container);
  widget->setObjectName(QString::fromUtf8(control.name));
  widget->setGeometry(TwipsToPixels(control.twips, logicalDpiX(), logicalDpiY()));
  widget->setVisible(control.visible);
  widget->setEnabled(control.enabled);
  if (auto* option = qobject_cast<QRadioButton*>(widget)) option->setChecked(control.selected);
  return widget;
}

void QtWindow::ConnectHandlers() {
  auto on_click = [this](const char* name, void (Form1::*handler)()) {
    connect(qobject_cast<QAbstractButton*>(Control(name)), &QAbstractButton::clicked, this,
            [this, handler] { (form_.get()->*handler)(); });
  };
  on_click("Command1", &Form1::Command1_Click);
  on_click("Command2", &Form1::Command2_Click);
  on_click("Command3", &Form1::Command3_Click);
  on_click("Command4", &Form1::Command4_Click);
  on_click("Command5", &Form1::Command5_Click);
  on_click("Option1", &Form1::Option1_Click);
  on_click("Option2", &Form1::Option2_Click);
  connect(qobject_cast<QLineEdit*>(Control("Text1")), &QLineEdit::textChanged, this,
          [this] { form_->Text1_Change(); });
  connect(stop_, &QPushButton::clicked, this, [this] { status_->RequestStop(); });
  // Text2's double-click, and the input refused during an action, are caught
  // where the application delivers them, before any widget sees them.
  qApp->installEventFilter(this);
}

void QtWindow::MakeWindowMenu() {
  window_menu_ = new QMenu(this);
  window_menu_->setObjectName(QStringLiteral("WindowMenu"));
  QAction* image_card = window_menu_->addAction(QString::fromUtf8(kImageCardMenuItem));
  image_card->setObjectName(QStringLiteral("ImageCard"));
  image_card->setShortcut(QKeySequence(QString::fromUtf8(kImageCardShortcut)));
  connect(image_card, &QAction::triggered, this, [this] { form_->ImageCard_Click(); });
  addAction(image_card);
  auto* open_menu = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), this);
  connect(open_menu, &QShortcut::activated, this,
          [this] { window_menu_->popup(mapToGlobal(QPoint(0, 0))); });
  setContextMenuPolicy(Qt::CustomContextMenu);
  connect(this, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { window_menu_->popup(mapToGlobal(at)); });
}

void QtWindow::MakeStatusBar() {
  const int form_width = kvx::TwipsToPixels(kClientWidthTwips, logicalDpiX());
  const int form_height = kvx::TwipsToPixels(kClientHeightTwips, logicalDpiY());
  status_bar_ = new QStatusBar(this);
  status_bar_->setObjectName(QStringLiteral("StatusBar"));
  status_bar_->setSizeGripEnabled(false);
  // A line sets the bar off from the form, as the system's own bars are.
  status_bar_->setStyleSheet(QStringLiteral("QStatusBar { border-top: 1px solid palette(mid); }"));
  status_text_ = new QLabel(status_bar_);
  status_text_->setObjectName(QStringLiteral("StatusText"));
  status_text_->setTextFormat(Qt::PlainText);
  // A long line is cut at the bar's end rather than widening the window.
  status_text_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  progress_ = new QProgressBar(status_bar_);
  progress_->setObjectName(QStringLiteral("Progress"));
  progress_->setRange(0, 1000);
  progress_->setTextVisible(false);
  progress_->setFixedWidth(form_width / 5);
  stop_ = new QPushButton(QStringLiteral("Stop"), status_bar_);
  stop_->setObjectName(QStringLiteral("Stop"));
  stop_->setAutoDefault(false);
  stop_->setFocusPolicy(Qt::NoFocus);
  status_bar_->addWidget(status_text_, 1);
  status_bar_->addPermanentWidget(progress_);
  status_bar_->addPermanentWidget(stop_);
  const int bar_height = status_bar_->sizeHint().height();
  status_bar_->setGeometry(0, form_height, form_width, bar_height);
  setFixedSize(form_width, form_height + bar_height);
}

void QtWindow::ShowStatusText(const std::string& text, bool failure) {
  status_text_->setText(QString::fromUtf8(text));
  QPalette palette = status_bar_->palette();
  if (failure) palette.setColor(QPalette::WindowText, Qt::darkRed);
  status_text_->setPalette(palette);
}

void QtWindow::ShowProgressBar(std::optional<int> per_mille) {
  progress_->setVisible(per_mille.has_value());
  progress_->setValue(per_mille.value_or(0));
}

void QtWindow::EnableStop(bool enabled) { stop_->setEnabled(enabled); }

void QtWindow::ProcessWindowEvents() { QCoreApplication::processEvents(); }

bool QtWindow::FilterInputDuringAction(QObject* watched, QEvent* event) {
  auto* widget = qobject_cast<QWidget*>(watched);
  if (widget == nullptr || widget->window() != this || !IsUserInput(event->type())) return false;
  if (event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
    status_->RequestStop();
  }
  const bool on_stop =
      widget == stop_ && event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease;
  return !on_stop;
}

void QtWindow::FitCaptions() {
  std::vector<CaptionRoom> rooms{{Control("Label2"), LongestCardReport()}};
  for (const QAbstractButton* button : findChildren<QAbstractButton*>()) {
    rooms.push_back({button, button->text()});
  }
  for (const QGroupBox* frame : findChildren<QGroupBox*>())
    rooms.push_back({frame, frame->title()});
  rooms.push_back({Control("Label4"), qobject_cast<QLabel*>(Control("Label4"))->text()});
  setFont(FontFittingCaptions(rooms, font()));
  // A frame's title sits on its top border, so the controls placed just below
  // the frame's top edge are inside the border, not across it. Set after the
  // font, which a widget with a style sheet no longer takes from its parent.
  const QString frame_style = QStringLiteral(
      "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 0.5em; }"
      "QGroupBox::title { subcontrol-origin: margin; left: 6px; padding: 0 2px; }");
  for (QGroupBox* frame : findChildren<QGroupBox*>()) frame->setStyleSheet(frame_style);
}

void QtWindow::SetTabOrder() {
  std::vector<const FormControl*> order;
  for (const FormControl& control : Form1Controls()) {
    if (Control(control.name)->focusPolicy() & Qt::TabFocus) order.push_back(&control);
  }
  std::sort(order.begin(), order.end(),
            [](const FormControl* a, const FormControl* b) { return a->tab_index < b->tab_index; });
  for (std::size_t i = 1; i < order.size(); ++i) {
    setTabOrder(Control(order[i - 1]->name), Control(order[i]->name));
  }
  Control(order.front()->name)->setFocus();
}

void QtWindow::closeEvent(QCloseEvent* event) {
  if (!form_->Form_QueryUnload()) {
    event->ignore();
    return;
  }
  form_->Form_Unload();
  event->accept();
}

bool QtWindow::eventFilter(QObject* watched, QEvent* event) {
  if (status_->Running()) return FilterInputDuringAction(watched, event);
  if (watched == Control("Text2") && event->type() == QEvent::MouseButtonDblClick) {
    form_->Text2_DblClick();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace kvx
