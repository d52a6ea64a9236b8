#include "picturestore.h"

#include "formcontrol.h"
#include "values.h"

#include <QLineEdit>

namespace zeva {

bool savePicture(const PictureSave &save)
{
    const QString title = QStringLiteral("图片");
    const QString file = trimSpaces(save.controls.txtFileName->text());
    emit save.events.ErrMessage(QStringLiteral("图片保存处理，图片文件名") + file, 1, title);
    if (save.isNew)
        emit save.events.ErrMessage(QStringLiteral("是在新建中"), 1, title);
    // The picture's own rows are not written yet: the product saves without them.
    return true;
}

} // namespace zeva
