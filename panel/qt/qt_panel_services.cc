// The real message boxes and file dialog of the panel, each modal over the active window.
#include "qt_panel_services.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include "sound_converter.h"

namespace {

const QString kTitle = QStringLiteral("Grainpanel");

// The help text as rich text, one table `width` pixels wide, so that Qt wraps each meaning
// evenly beside its term: a "term<TAB>meaning" line is a row of two cells, an empty line a narrow
// gap and any other line a row of its own across both columns.
QString helpHtml(const char* text, int width) {
  QString html =
      QStringLiteral("<table width=\"%1\" cellspacing=\"0\" cellpadding=\"0\">").arg(width);
  for (const QString& line : QString::fromUtf8(text).split(QLatin1Char('\n'))) {
    const qsizetype tab = line.indexOf(QLatin1Char('\t'));
    if (line.isEmpty()) {
      html += QStringLiteral("<tr><td colspan=\"2\" height=\"8\"></td></tr>");
    } else if (tab < 0) {
      html += QStringLiteral("<tr><td colspan=\"2\">%1</td></tr>").arg(line.toHtmlEscaped());
    } else {
      html += QStringLiteral(
                  "<tr><td width=\"19%\" style=\"white-space:nowrap\"><b>%1</b></td><td "
                  "width=\"81%\">%2</td></tr>")
                  .arg(line.left(tab).toHtmlEscaped(), line.mid(tab + 1).toHtmlEscaped());
    }
  }
  return html + QStringLiteral("</table>");
}

}  // namespace

void QtPanelServices::showMessage(const char* text, const char* detail) {
  QMessageBox box(QMessageBox::NoIcon, kTitle, QString::fromUtf8(text),
                  QMessageBox::Ok | QMessageBox::Cancel, QApplication::activeWindow());
  // Informative text shows under the message without a click.
  box.setInformativeText(QString::fromUtf8(detail));
  box.exec();
}

bool QtPanelServices::offerConversion(const char* text, const char* detail, bool& always) {
  QMessageBox box(QMessageBox::NoIcon, kTitle, QString::fromUtf8(text), QMessageBox::Ok,
                  QApplication::activeWindow());
  box.setInformativeText(QString::fromUtf8(detail));
  QPushButton* convert = box.addButton(QStringLiteral("Convert and play"), QMessageBox::AcceptRole);
  box.setDefaultButton(convert);
  box.setEscapeButton(QMessageBox::Ok);
  auto* remember = new QCheckBox(QStringLiteral("Always convert such files"), &box);
  remember->setChecked(always);
  box.setCheckBox(remember);
  box.exec();
  always = remember->isChecked();
  return box.clickedButton() == convert;
}

bool QtPanelServices::chooseWaveFile(std::string& path) {
  QFileDialog dialog(QApplication::activeWindow());
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  QStringList patterns;
  for (const std::string& pattern : readablePatterns()) {
    patterns << QString::fromStdString(pattern);
  }
  dialog.setNameFilters({QStringLiteral("Sound Files (%1)").arg(patterns.join(QLatin1Char(' '))),
                         QStringLiteral("Wave Files (*.wav)"), QStringLiteral("All Files (*)")});
  dialog.setDefaultSuffix(QStringLiteral("wav"));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
    return false;
  }
  path = QFile::encodeName(dialog.selectedFiles().first()).toStdString();
  return true;
}

bool QtPanelServices::chooseSettingsFile(std::string& path, bool saving) {
  QFileDialog dialog(QApplication::activeWindow());
  dialog.setAcceptMode(saving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(saving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setNameFilter(QStringLiteral("Grainpanel Settings (*.grainpanel)"));
  dialog.setDefaultSuffix(QStringLiteral("grainpanel"));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
    return false;
  }
  path = QFile::encodeName(dialog.selectedFiles().first()).toStdString();
  return true;
}

void QtPanelServices::showHelp(const char* text) {
  QMessageBox box(QMessageBox::NoIcon, kTitle + QStringLiteral(" Help"), QString(), QMessageBox::Ok,
                  QApplication::activeWindow());
  // About 100 characters wide, so that most meanings take one line.
  box.setTextFormat(Qt::RichText);
  box.setText(helpHtml(text, box.fontMetrics().averageCharWidth() * 100));
  box.exec();
}
