#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QQuickView;

// Owns the application window and loads the root document into it.
class ViewLoader : public QObject {
    Q_OBJECT
public:
    explicit ViewLoader(QObject *parent = nullptr);
    ~ViewLoader() override;

    void InitLoader(const QString &platformName);
    QQuickView *view() const;

private:
    void sizeAndShowWindow(const QString &platformName);

    std::unique_ptr<QQuickView> m_view;
};
