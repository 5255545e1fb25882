#include "LibraryDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPointer>

namespace lirmus {

LibraryDialogs LibraryDialogs::standard(QWidget* parent)
{
    QPointer<QWidget> owner(parent);
    LibraryDialogs d;
    d.message = [owner](const QString& text, Icon icon) {
        QMessageBox box(icon == Icon::Information   ? QMessageBox::Information
                        : icon == Icon::Exclamation ? QMessageBox::Warning
                                                    : QMessageBox::Critical,
                        "Lirmus", text, QMessageBox::Ok, owner ? owner->window() : nullptr);
        box.exec();
    };
    d.confirm = [owner](const QString& question) {
        return QMessageBox::question(owner ? owner->window() : nullptr, "Lirmus", question,
                                     QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
    };
    d.input = [owner](const QString& prompt, const QString& title, const QString& initial) {
        bool ok = false;
        const QString text = QInputDialog::getText(owner ? owner->window() : nullptr, title, prompt,
                                                   QLineEdit::Normal, initial, &ok);
        return ok ? text : QString();
    };
    d.chooseFile = [owner](const FileChoice& c) {
        QFileDialog dialog(owner ? owner->window() : nullptr, c.title, c.initial, c.filter);
        dialog.setAcceptMode(c.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(c.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        dialog.setDefaultSuffix(c.defaultSuffix);
        if (c.save) dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
        return dialog.selectedFiles().front();
    };
    d.chooseFolder = [owner](const QString& title, const QString& initial) {
        return QFileDialog::getExistingDirectory(owner ? owner->window() : nullptr, title, initial);
    };
    return d;
}

Hourglass::Hourglass() { QApplication::setOverrideCursor(Qt::WaitCursor); }

Hourglass::~Hourglass() { QApplication::restoreOverrideCursor(); }

} // namespace lirmus
