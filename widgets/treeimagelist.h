#pragma once
// The pictures a tree draws beside its nodes, found by index (from 1) or by key
// ("DRAGICON" is the drag cursor by convention). The owner keeps the list alive while a
// tree uses it; a tree drops it when it is destroyed.

#include <QIcon>
#include <QObject>
#include <QPixmap>
#include <QSize>
#include <QVariant>

#include <vector>

namespace zeva {

class TreeImageList : public QObject {
    Q_OBJECT
public:
    explicit TreeImageList(QObject *parent = nullptr);
    ~TreeImageList() override;

    // Appends a picture and returns its index (from 1). A key already used keeps naming
    // its first picture.
    int add(const QPixmap &picture, const QString &key = {});
    int count() const { return int(m_images.size()); }
    void clear();

    // `image` is an index (from 1) or a key; a null picture / icon when there is none.
    QPixmap picture(const QVariant &image) const;
    QIcon icon(const QVariant &image) const;
    // The size of the first picture (16x16 when empty).
    QSize imageSize() const;

signals:
    void changed();

private:
    int find(const QVariant &image) const;   // position from 0, or -1
    struct Image {
        QPixmap picture;
        QIcon icon;
        QString key;
    };
    std::vector<Image> m_images;
};

} // namespace zeva
