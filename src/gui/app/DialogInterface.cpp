// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/GuiInterface.h"

#include "platform/Logging.h"
#include "playlist/AlbumDoc.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

CDialogInterface::CDialogInterface(std::function<QString()> startFolder)
    : m_startFolder(std::move(startFolder))
{
}

QString FrameCaption(const QString& title)
{
    return title.isEmpty() ? QStringLiteral("Lirana") : title + QStringLiteral(" - Lirana");
}

void CDialogInterface::ShowMessage(const QString& text, Icon icon)
{
    // What the operator was told, for whoever reads the journal afterwards.
    qCDebug(lcGui).noquote() << "message box:" << text;
    QMessageBox::Icon boxIcon = QMessageBox::Information;
    switch (icon) {
    case Icon::Stop: boxIcon = QMessageBox::Critical; break;
    case Icon::Warning: boxIcon = QMessageBox::Warning; break;
    case Icon::Information: boxIcon = QMessageBox::Information; break;
    case Icon::Question: boxIcon = QMessageBox::Question; break;
    }
    QMessageBox box(boxIcon, QStringLiteral("Lirana"), text, QMessageBox::Ok, m_window);
    box.exec();
}

void CDialogInterface::FocusView()
{
    if (m_window) {
        m_window->raise();
        m_window->activateWindow();
    }
}

void CDialogInterface::SetFrameTitle(const QString& title)
{
    if (m_window)
        m_window->setWindowTitle(FrameCaption(title));
}

void CDialogInterface::SetBusy(bool busy)
{
    if (busy && m_busy++ == 0)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else if (!busy && m_busy > 0 && --m_busy == 0)
        QApplication::restoreOverrideCursor();
}

UserInterface::SaveAnswer CDialogInterface::AskSaveChanges(const QString& docName)
{
    const auto answer = QMessageBox::question(
        m_window, QStringLiteral("Lirana"), QObject::tr("Save changes to %1?").arg(docName),
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
    if (answer == QMessageBox::Save)
        return SaveAnswer::Save;
    if (answer == QMessageBox::Discard)
        return SaveAnswer::Discard;
    return SaveAnswer::Cancel;
}

QString CDialogInterface::QtFilter(const QString& filter)
{
    const QStringList parts = filter.split(u'|', Qt::SkipEmptyParts);
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        // The patterns Qt matches are the ones in the parentheses, separated
        // by spaces: they are rebuilt from the pattern part ("All Files
        // (*.*)" with "*" means every file, with or without a dot).
        const QString patterns = QString(parts[i + 1]).replace(u';', u' ').trimmed();
        out << parts[i].section(u'(', 0, 0).trimmed() + QStringLiteral(" (%1)").arg(patterns);
    }
    return out.join(QStringLiteral(";;"));
}

QString CDialogInterface::StartFolder() const
{
    const QString folder = m_startFolder ? m_startFolder() : QString();
    return QFileInfo(folder).isDir() ? folder : QDir::homePath();
}

QString CDialogInterface::AskSaveFileName(const QString& suggested)
{
    QFileDialog dialog(m_window, QObject::tr("Save As"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(QtFilter(CLiranaDoc::FileFilter()));
    dialog.setDefaultSuffix(QStringLiteral("alb"));
    const QFileInfo info(suggested);
    if (suggested.contains(u'/'))
        dialog.setDirectory(info.absolutePath());
    else
        dialog.setDirectory(StartFolder());
    dialog.selectFile(info.fileName());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

QString CDialogInterface::AskOpenFileName()
{
    QFileDialog dialog(m_window, QObject::tr("Open"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(QtFilter(CLiranaDoc::FileFilter()));
    dialog.setDefaultSuffix(QStringLiteral("alb"));
    dialog.setDirectory(StartFolder());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

QString CDialogInterface::AskExistingFile(const QString& title, const QString& filter,
                                          const QString& defaultExt)
{
    QFileDialog dialog(nullptr, title);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(QtFilter(filter));
    dialog.setDefaultSuffix(defaultExt);
    dialog.setDirectory(StartFolder());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

bool CDialogInterface::AskYesNo(const QString& text)
{
    const bool yes = QMessageBox::question(m_window, QStringLiteral("Lirana"), text,
                                           QMessageBox::Yes | QMessageBox::No,
                                           QMessageBox::No) == QMessageBox::Yes;
    qCDebug(lcGui).noquote() << "asked:" << text << "answer:" << (yes ? "yes" : "no");
    return yes;
}
