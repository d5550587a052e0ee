#pragma once

#include <QImage>
#include <QList>
#include <QPainter>
#include <QObject>
#include <QQuickItem>
#include <QQuickPaintedItem>
#include <QSet>

namespace tarn::test {
// Delegates of a Repeater or a Loader are children in the item tree only; value controls are
// object children of the item that declares them. Both trees are searched.
inline void collectObjects(QObject *root, QList<QObject *> *out, QSet<QObject *> *seen)
{
    if (!root || seen->contains(root))
        return;
    seen->insert(root);
    out->append(root);
    for (QObject *child : root->children())
        collectObjects(child, out, seen);
    if (auto *item = qobject_cast<QQuickItem *>(root)) {
        for (QQuickItem *child : item->childItems())
            collectObjects(child, out, seen);
    }
}

inline QList<QObject *> everything(QObject *root)
{
    QList<QObject *> all;
    QSet<QObject *> seen;
    collectObjects(root, &all, &seen);
    return all;
}

// The first visible item at or below root with that object name.
inline QQuickItem *findItem(QObject *root, const QString &name)
{
    for (QObject *o : everything(root)) {
        auto *item = qobject_cast<QQuickItem *>(o);
        if (item && item->objectName() == name && item->isVisible())
            return item;
    }
    return nullptr;
}

// What a painted item draws, on black, at its own size.
inline QImage render(QQuickPaintedItem &item)
{
    QImage image(int(item.width()), int(item.height()), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    QPainter painter(&image);
    item.paint(&painter);
    return image;
}
} // namespace tarn::test
