// The panel window: builds the controls from the template and forwards to the plain logic.
#include "panel_dlg.h"

#include <QCheckBox>
#include <QDropEvent>
#include <QEvent>
#include <QFile>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QMimeData>
#include <QPushButton>
#include <QShortcut>
#include <QSlider>
#include <QUrl>
#include <QVBoxLayout>

#include "dialog_template.h"
#include "help_text.h"
#include "link_glyph.h"
#include "panel_icon.h"
#include "panel_services.h"
#include "panel_text.h"
#include "readout_line.h"
#include "record_row.h"
#include "slider_steps.h"
#include "slider_wheel.h"
#include "wave_strip.h"

namespace {

constexpr int kFirstId = IDC_RUN;
constexpr int kLastId = IDC_LINKLENGTH;
constexpr char kIdProperty[] = "controlId";

QSlider* makeSlider(QWidget* parent) {
  auto* slider = new QSlider(Qt::Vertical, parent);
  // A vertical slider shows its low end at the top, and Up moves the thumb up.
  slider->setInvertedAppearance(true);
  slider->setInvertedControls(true);
  slider->setTickPosition(QSlider::NoTicks);
  return slider;
}

// The one local file a drop carries, or nothing: the panel plays one sound at a time.
QString droppedFile(const QMimeData* mime) {
  const QList<QUrl> urls = mime->urls();
  return urls.size() == 1 && urls.first().isLocalFile() ? urls.first().toLocalFile() : QString();
}

}  // namespace

CPanelDlg::CPanelDlg(PanelServices& services, QWidget* parent)
    : QDialog(parent),
      m_controls(m_granulator, *this),
      m_transport(m_granulator, m_controls, *this, *this, services),
      m_services(services),
      m_hIcon(makePanelIcon()) {
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  setWindowTitle(QString::fromStdString(panelTitle({})));
  setAcceptDrops(true);
  buildControls();
  m_waveStrip = new CWaveStrip(m_granulator, m_transport, this);

  connect(m_runButton, &QPushButton::clicked, this, &CPanelDlg::OnRunStop);
  connect(m_fileButton, &QPushButton::clicked, this, &CPanelDlg::OnFile);
  connect(m_methodBox, &QCheckBox::clicked, this, &CPanelDlg::OnMethod);
  connect(m_resetButton, &QPushButton::clicked, this, &CPanelDlg::OnReset);
  auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
  connect(help, &QShortcut::activated, this, &CPanelDlg::OnHelp);

  OnInitDialog();
  addBelow(new ReadoutLine(*this));
  addBelow(m_waveStrip);
  addBelow(new CRecordRow(*this));
}

// The transport member clears the flag and waits for the worker before the buffer and the
// engine go; nothing else here needs ordering.
CPanelDlg::~CPanelDlg() = default;

void CPanelDlg::buildControls() {
  const QFontMetrics metrics(font());
  const DialogBaseUnits units =
      baseUnitsOf(metrics.horizontalAdvance(
                      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")),
                  metrics.height());
  m_templateSize =
      QSize(dluToPixelsX(kDialogWidthDlu, units), dluToPixelsY(kDialogHeightDlu, units));
  setFixedSize(m_templateSize);

  QList<QGroupBox*> groups;
  for (const ControlTemplate& t : kPanelTemplate) {
    QWidget* widget = nullptr;
    switch (t.kind) {
      case ControlKind::PushButton: {
        auto* button = new QPushButton(QString::fromUtf8(t.caption), this);
        button->setAutoDefault(true);
        widget = button;
        break;
      }
      case ControlKind::Slider:
        widget = makeSlider(this);
        break;
      case ControlKind::GroupBox: {
        auto* group = new QGroupBox(QString::fromUtf8(t.caption), this);
        group->setAlignment(t.captionLeft ? Qt::AlignLeft : Qt::AlignHCenter);
        groups.append(group);
        widget = group;
        break;
      }
      case ControlKind::CheckBox: {
        auto* box = new QCheckBox(QString::fromUtf8(t.caption), this);
        box->setLayoutDirection(Qt::RightToLeft);
        widget = box;
        break;
      }
      case ControlKind::LinkToggle: {
        auto* toggle = new QPushButton(this);
        toggle->setCheckable(true);
        // A toggle is no push button: Enter on it ends the dialog rather than flipping it.
        toggle->setAutoDefault(false);
        widget = toggle;
        break;
      }
    }
    widget->setGeometry(dluToPixelsX(t.x, units), dluToPixelsY(t.y, units),
                        dluToPixelsX(t.width, units), dluToPixelsY(t.height, units));
    widget->setProperty(kIdProperty, t.id);
  }
  // The boxes only frame the controls; they must not sit above them and take their clicks.
  for (QGroupBox* group : groups) {
    group->lower();
    group->setAttribute(Qt::WA_TransparentForMouseEvents);
  }

  m_runButton = static_cast<QPushButton*>(control(IDC_RUN));
  m_fileButton = static_cast<QPushButton*>(control(IDC_FILE));
  m_resetButton = static_cast<QPushButton*>(control(IDC_RESET));
  m_methodBox = static_cast<QCheckBox*>(control(IDC_METHOD));
  m_linkLengthBox = static_cast<QPushButton*>(control(IDC_LINKLENGTH));
  m_linkPitchBox = static_cast<QPushButton*>(control(IDC_LINKPITCH));
  m_fadeCtrl = static_cast<QSlider*>(control(IDC_FADE));
  m_speedCtrl = static_cast<QSlider*>(control(IDC_SPEED));
  m_spreadCtrl = static_cast<QSlider*>(control(IDC_SPREAD));
  m_pitchWalkCtrl = static_cast<QSlider*>(control(IDC_PITCHWALK));
  m_pitch2Ctrl = static_cast<QSlider*>(control(IDC_PITCH2));
  m_pitch1Ctrl = static_cast<QSlider*>(control(IDC_PITCH1));
  m_zeroCtrl = static_cast<QSlider*>(control(IDC_ZERO));
  m_length1Ctrl = static_cast<QSlider*>(control(IDC_LENGTH1));
  m_length2Ctrl = static_cast<QSlider*>(control(IDC_LENGTH2));
  dressLinkToggle(m_linkLengthBox, QStringLiteral("Length"));
  dressLinkToggle(m_linkPitchBox, QStringLiteral("Pitch"));

  // What the panel shows beyond its template stacks up below it, so no control moves.
  m_below = new QWidget(this);
  auto* column = new QVBoxLayout(m_below);
  column->setContentsMargins(dluToPixelsX(5, units), 0, dluToPixelsX(5, units),
                             dluToPixelsY(5, units));
  m_below->setGeometry(0, m_templateSize.height(), m_templateSize.width(), 0);
}

void CPanelDlg::addBelow(QWidget* widget) {
  widget->setParent(m_below);
  m_below->layout()->addWidget(widget);
  const int height = m_below->layout()->sizeHint().height();
  m_below->setGeometry(0, m_templateSize.height(), m_templateSize.width(), height);
  setFixedSize(m_templateSize.width(), m_templateSize.height() + height);
}

void CPanelDlg::OnInitDialog() {
  setWindowIcon(m_hIcon);
  for (const SliderRange& r : kSliderRanges) {
    auto* slider = static_cast<QSlider*>(control(r.id));
    slider->setRange(r.low, r.high);
    slider->setPageStep(pageStep(r));
    slider->setSingleStep(lineStep(r));
    new SliderWheel(slider);
  }
  m_transport.initialise();
  for (QSlider* slider : findChildren<QSlider*>()) {
    slider->installEventFilter(this);
  }
}

QWidget* CPanelDlg::control(int id) const {
  if (id < kFirstId || id > kLastId) {
    return nullptr;
  }
  for (QWidget* widget : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (widget->property(kIdProperty).toInt() == id) {
      return widget;
    }
  }
  return nullptr;
}

void CPanelDlg::readControls(ControlValues& v) {
  m_inExchange = true;
  v.m_length2 = m_length2Ctrl->value();
  v.m_length1 = m_length1Ctrl->value();
  v.m_zero = m_zeroCtrl->value();
  v.m_pitch1 = m_pitch1Ctrl->value();
  v.m_pitch2 = m_pitch2Ctrl->value();
  v.m_pitchWalk = m_pitchWalkCtrl->value();
  v.m_method = m_methodBox->isChecked() ? 1 : 0;
  v.m_speed = m_speedCtrl->value();
  v.m_spread = m_spreadCtrl->value();
  v.m_fade = m_fadeCtrl->value();
  v.m_linkLength = m_linkLengthBox->isChecked() ? 1 : 0;
  v.m_linkPitch = m_linkPitchBox->isChecked() ? 1 : 0;
  m_inExchange = false;
}

// A slider clamps a position outside its range; an unchanged position causes no repaint, so a
// handler that writes what is already shown cannot start a cycle.
void CPanelDlg::writeControls(const ControlValues& v) {
  m_inExchange = true;
  m_length2Ctrl->setValue(v.m_length2);
  m_length1Ctrl->setValue(v.m_length1);
  m_zeroCtrl->setValue(v.m_zero);
  m_pitch1Ctrl->setValue(v.m_pitch1);
  m_pitch2Ctrl->setValue(v.m_pitch2);
  m_pitchWalkCtrl->setValue(v.m_pitchWalk);
  m_methodBox->setChecked(v.m_method != 0);
  m_speedCtrl->setValue(v.m_speed);
  m_spreadCtrl->setValue(v.m_spread);
  m_fadeCtrl->setValue(v.m_fade);
  m_linkLengthBox->setChecked(v.m_linkLength != 0);
  m_linkPitchBox->setChecked(v.m_linkPitch != 0);
  m_inExchange = false;
}

// The transport shows every start and stop in the Run caption, so what follows playback hears of
// it here; on a start this comes before the worker takes its first sample.
void CPanelDlg::setRunCaption(const char* caption) {
  m_runButton->setText(QString::fromUtf8(caption));
  emit playingChanged(m_transport.playing());
}

void CPanelDlg::enableFade(bool enabled) {
  m_fadeCtrl->setEnabled(enabled);
}

void CPanelDlg::showPlaying(bool playing) {
  m_waveStrip->follow(playing);
}

void CPanelDlg::OnRunStop() {
  m_transport.OnRunStop();
}

void CPanelDlg::OnFile() {
  m_transport.OnFile();
  showSound();
}

void CPanelDlg::OnDropFile(const std::string& path) {
  m_transport.OnDropFile(path);
  showSound();
}

void CPanelDlg::showSound() {
  setWindowTitle(QString::fromStdString(panelTitle(m_transport.soundPath())));
  emit soundChanged();
}

void CPanelDlg::OnMethod() {
  m_controls.OnMethod();
}

void CPanelDlg::OnReset() {
  m_controls.OnReset();
}

void CPanelDlg::OnHelp() {
  m_services.showHelp(kHelpText);
}

void CPanelDlg::accept() {
  readControls(m_controls.values());
  QDialog::accept();
}

CPanelDlg::Handler CPanelDlg::handlerOf(const QObject* slider) const {
  if (slider == m_length1Ctrl)
    return &PanelControls::OnCustomdrawLength1;
  if (slider == m_length2Ctrl)
    return &PanelControls::OnCustomdrawLength2;
  if (slider == m_zeroCtrl)
    return &PanelControls::OnCustomdrawZero;
  if (slider == m_pitch1Ctrl)
    return &PanelControls::OnCustomdrawPitch1;
  if (slider == m_pitch2Ctrl)
    return &PanelControls::OnCustomdrawPitch2;
  if (slider == m_pitchWalkCtrl)
    return &PanelControls::OnCustomdrawPitchWalk;
  if (slider == m_spreadCtrl || slider == m_speedCtrl)
    return &PanelControls::OnCustomdrawLocation;
  if (slider == m_fadeCtrl)
    return &PanelControls::OnCustomdrawFade;
  return nullptr;
}

// Every paint of a slider runs its handler before the slider draws, so the sound follows a
// dragged thumb and every slider applies itself when the panel is first shown.
bool CPanelDlg::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Paint && !m_inExchange) {
    if (Handler handler = handlerOf(watched)) {
      (m_controls.*handler)();
    }
  }
  return QDialog::eventFilter(watched, event);
}

// Enter away from a push button ends the dialog like OK; a push button with the focus takes
// Enter itself and never passes it here.
void CPanelDlg::keyPressEvent(QKeyEvent* event) {
  if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
      accept();
      return;
    }
  }
  QDialog::keyPressEvent(event);
}

void CPanelDlg::dragEnterEvent(QDragEnterEvent* event) {
  if (!droppedFile(event->mimeData()).isEmpty()) {
    event->acceptProposedAction();
  }
}

// The load runs after the drop has returned, so the program the file came from is not held up
// by a message box.
void CPanelDlg::dropEvent(QDropEvent* event) {
  const QString path = droppedFile(event->mimeData());
  if (path.isEmpty()) {
    return;
  }
  event->acceptProposedAction();
  QMetaObject::invokeMethod(
      this, [this, file = QFile::encodeName(path).toStdString()] { OnDropFile(file); },
      Qt::QueuedConnection);
}
