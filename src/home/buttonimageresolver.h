#pragma once

#include <QMap>
#include <QObject>
#include <QString>

// Turns the short keys under which the home screens know a block (a processor class name, a
// block label, a grid-qualified label such as "in:MIX") into what a home-screen button shows.
// The tables are fixed at construction.
class ButtonImageResolver : public QObject {
    Q_OBJECT
public:
    // Block descriptions longer than this are not parsed (they come from the processor).
    static constexpr int kMaxDescriptionLength = 256 * 1024;

    explicit ButtonImageResolver(QObject *parent = nullptr);

    Q_INVOKABLE QString imagePath(QString buttonType) const;
    Q_INVOKABLE QString buttonText(QString buttonType) const;
    Q_INVOKABLE QString toggleSVName(QString buttonType) const;
    // Background and text colours of the few blocks that have their own.
    Q_INVOKABLE QString color(QString buttonType) const;
    Q_INVOKABLE QString txtColor(QString buttonType) const;
    // "Attributes" -> "OutputName" / "RouteMix" of a block description in JSON; empty when the
    // text is not a JSON object, too long, or lacks the member.
    Q_INVOKABLE QString outputName(QString string) const;
    Q_INVOKABLE QString routerName(QString string) const;

    int iconCount() const { return m_icons.size(); }
    int captionCount() const { return m_captions.size(); }
    int toggleCount() const { return m_toggles.size(); }

private:
    // Lookups never insert: keys come from screens and the processor, and remembering every
    // unknown one would only grow the tables.
    static QString lookup(const QMap<QString, QString> &table, const QString &key);
    static QString attribute(const QString &description, const QString &name);

    QMap<QString, QString> m_icons;
    QMap<QString, QString> m_textColors;
    QMap<QString, QString> m_captions;
    QMap<QString, QString> m_backgroundColors;
    QMap<QString, QString> m_toggles;
};
