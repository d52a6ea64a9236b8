#include "commondialog.h"

#include "pathnames.h"

namespace zeva {

namespace {

DesktopServices::FileRequest requestOf(const FileDialogArgs &args, bool mustExist, bool overwritePrompt)
{
    DesktopServices::FileRequest request;
    request.title = args.title;
    request.filter = args.filter;
    request.initialFolder = args.initialFolder;
    request.fileName = TrimAtNul(args.fileName);
    request.defaultExtension = args.defaultExtension;
    request.filterIndex = args.filterIndex;
    request.mustExist = mustExist;
    request.overwritePrompt = overwritePrompt;
    return request;
}

void take(FileDialogArgs &args, const DesktopServices::FileChoice &choice, int flags)
{
    args.fileName = choice.path;
    args.fileTitle = FileNameOf(choice.path);
    args.filter = FilterEntry(dialogFilterText(args.filter), choice.filterIndex);
    args.filterIndex = choice.filterIndex;
    args.flags = flags;
    if (flags & kReadOnly)
        args.readOnly = true;
}

void clear(FileDialogArgs &args, int filterIndex)
{
    args.fileName.clear();
    args.fileTitle.clear();
    args.filter.clear();
    args.flags = 0;
    args.filterIndex = filterIndex;
}

int withoutHooks(int flags)
{
    return flags & ~(kEnableHook | kEnableTemplate);
}

} // namespace

bool ShowOpen(DesktopServices &desktop, FileDialogArgs &args)
{
    int flags = withoutHooks(args.flags);
    if (args.mustExist)
        flags |= kFileMustExist;
    if (args.multiSelect)
        flags |= kAllowMultiSelect;
    if (args.readOnly)
        flags |= kReadOnly;
    if (args.hideReadOnly)
        flags |= kHideReadOnly;
    const auto choice = desktop.openFile(requestOf(args, args.mustExist, false));
    if (!choice || choice->path.isEmpty()) {
        clear(args, -1);
        return false;
    }
    take(args, *choice, flags);
    return true;
}

bool ShowSave(DesktopServices &desktop, FileDialogArgs &args)
{
    int flags = withoutHooks(args.flags) | kHideReadOnly;
    if (args.overwritePrompt)
        flags |= kOverwritePrompt;
    const auto choice = desktop.saveFile(requestOf(args, false, args.overwritePrompt));
    if (!choice || choice->path.isEmpty()) {
        clear(args, 0);
        return false;
    }
    take(args, *choice, flags);
    return true;
}

QString dialogFilterText(const QString &filter)
{
    QString converted = filter;
    converted.replace(u'|', QChar(0)).replace(u':', QChar(0));
    return converted + QChar(0) + QChar(0);
}

QString FilterEntry(const QString &converted, int index)
{
    qsizetype at = 0;
    QString entry;
    for (int step = 1; step <= index; ++step) {
        if (at >= converted.size())
            return {};
        const qsizetype first = converted.indexOf(QChar(0), at);
        const qsizetype second = first < 0 ? -1 : converted.indexOf(QChar(0), first + 1);
        const qsizetype end = second < 0 ? converted.size() : second;
        entry = converted.mid(at, end - at);
        at = end + 1;
    }
    // The two closing NULs end the list: a step there has no entry.
    return entry.isEmpty() || entry == QString(QChar(0)) ? QString() : entry;
}

} // namespace zeva
