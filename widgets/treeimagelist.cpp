#include "treeimagelist.h"

namespace zeva {

TreeImageList::TreeImageList(QObject *parent) : QObject(parent) {}

TreeImageList::~TreeImageList() = default;

int TreeImageList::add(const QPixmap &picture, const QString &key)
{
    m_images.push_back({picture, QIcon(picture), key});
    emit changed();
    return count();
}

void TreeImageList::clear()
{
    m_images.clear();
    emit changed();
}

int TreeImageList::find(const QVariant &image) const
{
    if (!image.isValid() || image.isNull())
        return -1;
    if (image.typeId() == QMetaType::QString) {
        const QString key = image.toString();
        for (size_t i = 0; i < m_images.size(); ++i) {
            if (!key.isEmpty() && m_images[i].key == key)
                return int(i);
        }
        return -1;
    }
    bool ok = false;
    const int index = image.toInt(&ok);
    if (!ok || index < 1 || index > count())
        return -1;
    return index - 1;
}

QPixmap TreeImageList::picture(const QVariant &image) const
{
    const int i = find(image);
    return i < 0 ? QPixmap() : m_images[size_t(i)].picture;
}

QIcon TreeImageList::icon(const QVariant &image) const
{
    const int i = find(image);
    return i < 0 ? QIcon() : m_images[size_t(i)].icon;
}

QSize TreeImageList::imageSize() const
{
    return m_images.empty() ? QSize(16, 16) : m_images.front().picture.size();
}

} // namespace zeva
