#include "filefield.h"

#include "hostservices.h"
#include "pathnames.h"

namespace zeva {

std::optional<RoutineFailure> FileToField(HostServices &services, const QString &path, HostField field)
{
    if (!FileExists(path))
        return RoutineFailure{50001, QStringLiteral("dbfile"), QStringLiteral("文件不存在!")};
    const std::unique_ptr<BinaryStream> stream = services.createBinaryStream();
    if (!stream->Open() || !stream->LoadFromFile(path))
        return RoutineFailure{50002, QStringLiteral("dbfile"), stream->errorString()};
    field.setValue(stream->Read());
    stream->Close();
    return std::nullopt;
}

bool FieldToFile(HostServices &services, const QString &path, const HostField &field, bool overwrite)
{
    const std::unique_ptr<BinaryStream> stream = services.createBinaryStream();
    const bool written = stream->Open() && stream->Write(field.Value())
        && stream->SaveToFile(path, overwrite ? BinaryStream::CreateOverwrite : BinaryStream::CreateNotExist);
    stream->Close();
    return written;
}

} // namespace zeva
