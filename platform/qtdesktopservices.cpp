#include "qtdesktopservices.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QInputDialog>
#include <QMessageBox>
#include <QUrl>

namespace zeva {

namespace {

QMessageBox::StandardButton qtButton(int button)
{
    switch (button) {
    case DesktopServices::Ok: return QMessageBox::Ok;
    case DesktopServices::Cancel: return QMessageBox::Cancel;
    case DesktopServices::Abort: return QMessageBox::Abort;
    case DesktopServices::Retry: return QMessageBox::Retry;
    case DesktopServices::Ignore: return QMessageBox::Ignore;
    case DesktopServices::Yes: return QMessageBox::Yes;
    case DesktopServices::No: return QMessageBox::No;
    default: return QMessageBox::NoButton;
    }
}

QMessageBox::Icon qtIcon(int style)
{
    switch (style & 0x70) {
    case DesktopServices::Critical: return QMessageBox::Critical;
    case DesktopServices::Question: return QMessageBox::Question;
    case DesktopServices::Exclamation: return QMessageBox::Warning;
    case DesktopServices::Information: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

// The 1-based index of the chosen Qt filter among the request's entries.
int chosenIndex(const QString &qtFilters, const QString &selected)
{
    const int i = int(qtFilters.split(QStringLiteral(";;")).indexOf(selected));
    return i < 0 ? 1 : i + 1;
}

} // namespace

QtDesktopServices::QtDesktopServices(QString settingsFolder, QWidget *parent)
    : DesktopServices(std::move(settingsFolder)), m_parent(parent)
{
}

int QtDesktopServices::messageBox(const QString &prompt, int style, const QString &title)
{
    QMessageBox box(qtIcon(style), title, prompt, QMessageBox::NoButton, m_parent);
    for (int b : buttonsOf(style))
        box.addButton(qtButton(b));
    box.setDefaultButton(qtButton(defaultButtonOf(style)));
    const QList<int> buttons = buttonsOf(style);
    if (buttons.contains(Cancel))
        box.setEscapeButton(qtButton(Cancel));
    else if (buttons.size() == 1)
        box.setEscapeButton(qtButton(buttons.first()));
    box.exec();
    for (int b : buttons) {
        if (box.clickedButton() == box.button(qtButton(b)))
            return b;
    }
    return buttons.contains(Cancel) ? int(Cancel) : buttons.last();
}

std::optional<QString> QtDesktopServices::inputBox(const QString &prompt, const QString &title,
                                                   const QString &defaultText)
{
    bool ok = false;
    const QString text = QInputDialog::getText(m_parent, title, prompt, QLineEdit::Normal, defaultText, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

std::optional<DesktopServices::FileChoice> QtDesktopServices::openFile(const FileRequest &request)
{
    const QString filters = qtFilter(request.filter);
    QString selected = filters.split(QStringLiteral(";;")).value(request.filterIndex - 1);
    QString start = request.initialFolder;
    if (!request.fileName.isEmpty())
        start = QDir(start).filePath(request.fileName);
    QString path;
    if (request.mustExist) {
        path = QFileDialog::getOpenFileName(m_parent, request.title, start, filters, &selected);
    } else {
        QFileDialog dialog(m_parent, request.title, start, filters);
        dialog.setFileMode(QFileDialog::AnyFile);
        if (!selected.isEmpty())
            dialog.selectNameFilter(selected);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
            path = dialog.selectedFiles().first();
            selected = dialog.selectedNameFilter();
        }
    }
    if (path.isEmpty())
        return std::nullopt;
    return FileChoice{path, chosenIndex(filters, selected)};
}

std::optional<DesktopServices::FileChoice> QtDesktopServices::saveFile(const FileRequest &request)
{
    const QString filters = qtFilter(request.filter);
    QString selected = filters.split(QStringLiteral(";;")).value(request.filterIndex - 1);
    QString start = request.initialFolder;
    if (!request.fileName.isEmpty())
        start = QDir(start).filePath(request.fileName);
    QFileDialog::Options options;
    if (!request.overwritePrompt)
        options |= QFileDialog::DontConfirmOverwrite;
    QString path = QFileDialog::getSaveFileName(m_parent, request.title, start, filters, &selected, options);
    if (path.isEmpty())
        return std::nullopt;
    if (!request.defaultExtension.isEmpty() && QFileInfo(path).suffix().isEmpty())
        path += u'.' + request.defaultExtension;
    return FileChoice{path, chosenIndex(filters, selected)};
}

int QtDesktopServices::shellOpen(const QString &path)
{
    const QFileInfo file(path);
    if (!file.isFile())
        return ShellFileNotFound;
    // xdg-mime knows whether a program is associated; without it, ask Qt's own opener.
    const QString mime = QMimeDatabase().mimeTypeForFile(file).name();
    QProcess query;
    query.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"), mime});
    if (query.waitForStarted(2000)) {
        query.waitForFinished(5000);
        if (query.readAllStandardOutput().trimmed().isEmpty())
            return ShellNoAssociation;
    }
    return QDesktopServices::openUrl(QUrl::fromLocalFile(file.absoluteFilePath())) ? ShellStarted : ShellNoAssociation;
}

} // namespace zeva
