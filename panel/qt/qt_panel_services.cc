// The real message boxes and file dialog of the panel, each modal over the active window.
#include "qt_panel_services.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>

namespace {

const QString kTitle = QStringLiteral("Grainpanel");

}  // namespace

void QtPanelServices::showMessage(const char* text, const char* detail) {
  QMessageBox box(QMessageBox::NoIcon, kTitle, QString::fromUtf8(text),
                  QMessageBox::Ok | QMessageBox::Cancel, QApplication::activeWindow());
  // Informative text shows under the message without a click.
  box.setInformativeText(QString::fromUtf8(detail));
  box.exec();
}

bool QtPanelServices::chooseWaveFile(std::string& path) {
  QFileDialog dialog(QApplication::activeWindow());
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilter(QStringLiteral("Wave Files (*.wav)"));
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
  QMessageBox box(QMessageBox::Information, kTitle + QStringLiteral(" Help"),
                  QString::fromUtf8(text), QMessageBox::Ok, QApplication::activeWindow());
  box.exec();
}
