// The panel window: builds the controls from the template, shows the instrument and forwards the
// user's moves to it.
#include "panel_dlg.h"

#include <QCheckBox>
#include <QCoreApplication>
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
#include "settings_menu.h"
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

CPanelDlg::CPanelDlg(Instrument& instrument, PanelServices& services, QWidget* parent)
    : QDialog(parent),
      m_instrument(instrument),
      m_services(services),
      m_hIcon(makePanelIcon()),
      m_settings(instrument, services) {
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  setWindowTitle(QString::fromStdString(panelTitle({})));
  setAcceptDrops(true);
  buildControls();
  m_waveStrip = new CWaveStrip(instrument.granulator(), instrument.transport(), this);

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
  new CSettingsMenu(*this, m_settings);
  // A slider applies its position when it paints; a settings file's positions are painted
  // before its Run starts, so that the Run plays them as grainrender does.
  m_settings.setSettle([this] {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    for (QSlider* slider : findChildren<QSlider*>()) {
      slider->repaint();
    }
  });
  m_instrument.addListener(this);
}

CPanelDlg::~CPanelDlg() {
  m_instrument.removeListener(this);
}

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
  playingChanged(m_instrument.playing());
  playbackShown(m_instrument.playing());
  writeControls(m_instrument.values());
  bindControls();
}

// Bound only once the widgets show the instrument, so that setting the ranges plays nothing.
void CPanelDlg::bindControls() {
  for (const SliderRange& r : kSliderRanges) {
    auto* slider = static_cast<QSlider*>(control(r.id));
    slider->installEventFilter(this);
    connect(slider, &QSlider::valueChanged, this, [this, id = r.id](int position) {
      if (!m_inExchange) {
        m_instrument.setPosition(id, position);
      }
    });
  }
  for (QPushButton* link : {m_linkLengthBox, m_linkPitchBox}) {
    connect(link, &QPushButton::toggled, this, [this, link](bool on) {
      if (!m_inExchange) {
        m_instrument.setLink(link->property(kIdProperty).toInt(), on);
      }
    });
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

// A slider clamps a position outside its range; an unchanged position causes no repaint, so a
// paint that plays what is already shown cannot start a cycle.
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

void CPanelDlg::controlsChanged() {
  writeControls(m_instrument.values());
}

void CPanelDlg::playingChanged(bool playing) {
  m_runButton->setText(QString::fromUtf8(playing ? kStopCaption : kRunCaption));
}

// The Fade position is taken at Run, so it cannot be moved while it plays.
void CPanelDlg::playbackShown(bool playing) {
  m_fadeCtrl->setEnabled(!playing);
  m_waveStrip->follow(playing);
}

void CPanelDlg::soundChanged() {
  setWindowTitle(QString::fromStdString(panelTitle(m_instrument.soundPath())));
  emit soundLoaded();
}

void CPanelDlg::OnRunStop() {
  m_instrument.OnRunStop();
}

void CPanelDlg::OnFile() {
  m_instrument.OnFile();
}

void CPanelDlg::OnDropFile(const std::string& path) {
  if (isSettingsPath(path)) {
    m_settings.openSettings(path);
  } else {
    m_instrument.openSound(path);
  }
}

void CPanelDlg::OnMethod() {
  m_instrument.setMethod(m_methodBox->isChecked() ? 1 : 0);
}

void CPanelDlg::OnReset() {
  m_instrument.OnReset();
}

void CPanelDlg::OnHelp() {
  m_services.showHelp(kHelpText);
}

// Every paint of a slider plays its position again before the slider draws, as its handler
// did: every slider applies itself when the panel is first shown, and a paint of a Pitch or Walk
// slider restarts the rate walk from the middle of the range.
bool CPanelDlg::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Paint && !m_inExchange) {
    if (auto* slider = qobject_cast<QSlider*>(watched)) {
      m_instrument.setPosition(slider->property(kIdProperty).toInt(), slider->value());
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
