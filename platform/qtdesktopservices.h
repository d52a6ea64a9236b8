#pragma once
// Desktop services with Qt's own dialogs (QMessageBox, QInputDialog, QFileDialog) and
// the desktop's file associations (QDesktopServices, which calls xdg-open on Linux).

#include "desktopservices.h"

class QWidget;

namespace zeva {

class ZEVA_PLATFORM_EXPORT QtDesktopServices : public DesktopServices {
public:
    // Dialogs are modal over `parent` (may be null); settings live under `settingsFolder`.
    explicit QtDesktopServices(QString settingsFolder, QWidget *parent = nullptr);

    int messageBox(const QString &prompt, int style, const QString &title) override;
    std::optional<QString> inputBox(const QString &prompt, const QString &title,
                                    const QString &defaultText = {}) override;
    std::optional<FileChoice> openFile(const FileRequest &request) override;
    std::optional<FileChoice> saveFile(const FileRequest &request) override;
    int shellOpen(const QString &path) override;

    void setParentWidget(QWidget *parent) { m_parent = parent; }

private:
    QWidget *m_parent;
};

} // namespace zeva
