// The strip under the controls: the waveform, the location and the heads, redrawn only when a
// mark moves by a pixel.
#include "wave_strip.h"

#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QTimer>
#include <vector>

#include "sample_rate.h"
#include "transport.h"

namespace {

const QColor kBackground(24, 26, 31);
const QColor kWave(96, 140, 184);
const QColor kWindow(255, 255, 255, 46);
const QColor kLocation(255, 214, 90);
const QColor kHeadA(255, 122, 84);
const QColor kHeadB(84, 204, 255);
const QColor kText(150, 150, 150);

constexpr int kHeadWidthPx = 3;
constexpr int kHeadCapPx = 4;

QString seconds(double frames) {
  return QString::number(frames / kSampleRate, 'f', 2);
}

}  // namespace

CWaveStrip::CWaveStrip(const Granulator& granulator, const Transport& transport, QWidget* parent)
    : QWidget(parent), m_granulator(granulator), m_transport(transport) {
  setFixedHeight(kHeightPx);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAccessibleName(QStringLiteral("Sound view"));
  describe(false);
  m_timer = new QTimer(this);
  m_timer->setInterval(kFrameMs);
  connect(m_timer, &QTimer::timeout, this, &CWaveStrip::OnFrame);
}

void CWaveStrip::follow(bool playing) {
  if (takeSound()) {
    update();
  }
  OnFrame();
  if (playing) {
    m_timer->start();
  } else {
    m_timer->stop();
  }
  describe(playing);
}

void CWaveStrip::OnFrame() {
  Granulator::View view{};
  if (!m_granulator.readView(view) || view.frameCount != m_frameCount || m_frameCount < 2) {
    return;
  }
  const StripMarks marks = marksOf(view, width(), height());
  m_location = view.location;
  if (m_hasMarks && marks == m_marks) {
    return;
  }
  // Only the columns the marks leave and the ones they reach are drawn again.
  QRegion dirty = marksRegion(marks);
  if (m_hasMarks) {
    dirty += marksRegion(m_marks);
  }
  m_marks = marks;
  m_hasMarks = true;
  update(dirty);
}

QRegion CWaveStrip::marksRegion(const StripMarks& m) const {
  const int w = width();
  const int h = height();
  QRegion r;
  for (int shift : {0, -w, w}) {
    r += QRect(m.windowLeft + shift, 0, m.windowRight - m.windowLeft, h);
  }
  r += QRect(m.locationX, 0, 1, h);
  r += QRect(m.headAX - kHeadWidthPx / 2, 0, kHeadWidthPx, h);
  r += QRect(m.headBX - kHeadWidthPx / 2, 0, kHeadWidthPx, h);
  return r & rect();
}

bool CWaveStrip::takeSound() {
  if (m_transport.samples() == m_samples && m_transport.frameCount() == m_frameCount) {
    return false;
  }
  m_samples = m_transport.samples();
  m_frameCount = m_transport.frameCount();
  m_wave = QPixmap();
  m_hasMarks = false;
  return true;
}

// The overview is drawn once per sound and size; every frame after that is a copy of it.
void CWaveStrip::drawWave() {
  m_wave = QPixmap(size());
  m_wave.fill(kBackground);
  QPainter p(&m_wave);
  const std::vector<ColumnRange> columns = overviewColumns(m_samples, m_frameCount, width());
  const double mid = (height() - 1) * 0.5;
  p.setPen(kWave);
  for (int x = 0; x < static_cast<int>(columns.size()); ++x) {
    const int top = static_cast<int>(mid - columns[x].high * mid + 0.5);
    const int bottom = static_cast<int>(mid - columns[x].low * mid + 0.5);
    p.drawLine(x, top, x, bottom);
  }
}

void CWaveStrip::paintEvent(QPaintEvent* event) {
  // A sound loaded behind the strip's back needs the whole strip, not just this part of it.
  if (takeSound()) {
    update();
  }
  QPainter p(this);
  if (m_samples == nullptr) {
    p.fillRect(rect(), kBackground);
    p.setPen(kText);
    p.drawText(rect(), Qt::AlignCenter, QStringLiteral("No sound loaded"));
    return;
  }
  if (m_wave.size() != size()) {
    drawWave();
  }
  const QRect dirty = event->rect();
  p.drawPixmap(dirty, m_wave, dirty);
  if (!m_hasMarks) {
    return;
  }
  const StripMarks& m = m_marks;
  // The engine wraps at the ends of the sound, and so does the window.
  const int w = width();
  const int h = height();
  for (int shift : {0, -w, w}) {
    p.fillRect(m.windowLeft + shift, 0, m.windowRight - m.windowLeft, h, kWindow);
  }
  p.fillRect(m.locationX, 0, 1, h, kLocation);
  const struct {
    int x;
    int height;
    QColor colour;
  } heads[] = {{m.headAX, m.headAHeight, kHeadA}, {m.headBX, m.headBHeight, kHeadB}};
  for (const auto& head : heads) {
    const int left = head.x - kHeadWidthPx / 2;
    p.fillRect(left, 0, kHeadWidthPx, kHeadCapPx, head.colour);
    p.fillRect(left, (h - head.height) / 2, kHeadWidthPx, head.height, head.colour);
  }
}

void CWaveStrip::describe(bool playing) {
  QString text;
  if (m_samples == nullptr) {
    text = QStringLiteral("No sound loaded");
  } else if (playing) {
    text = QStringLiteral("%1 s of sound, playing").arg(seconds(m_frameCount));
  } else if (m_hasMarks) {
    text = QStringLiteral("%1 s of sound, stopped at %2 s")
               .arg(seconds(m_frameCount), seconds(m_location));
  } else {
    text = QStringLiteral("%1 s of sound").arg(seconds(m_frameCount));
  }
  setAccessibleDescription(text);
}
