#include "controlloader.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>

namespace zeva::host {

QString drawingLibraryPath()
{
    const QString configured = qEnvironmentVariable("ZEVA_DRAWING_LIBRARY");
    if (!configured.isEmpty())
        return configured;
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("libzeva_drawing.so"));
}

FormControl *createDrawing(HostServices &services, QWidget *parent, QString *error)
{
    // The library stays loaded for the life of the process: its widgets live as long.
    static QLibrary library;
    const QString path = drawingLibraryPath();
    if (library.fileName() != path) {
        library.setFileName(path);
        library.setLoadHints(QLibrary::ResolveAllSymbolsHint);
    }
    const auto create = reinterpret_cast<ZevaCreateDrawing>(library.resolve("zeva_create_drawing"));
    if (!create) {
        if (error)
            *error = QStringLiteral("cannot load the drawing control from %1: %2").arg(path, library.errorString());
        return nullptr;
    }
    FormControl *control = create(&services, parent);
    if (!control && error)
        *error = QStringLiteral("the drawing control's factory in %1 made no control").arg(path);
    return control;
}

} // namespace zeva::host
