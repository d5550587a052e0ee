#pragma once

#include <QString>
#include <QStringList>

namespace tarn::offline {
class DeviceState;

// One line a client sent, taken apart. Nothing here trusts the line.
struct Request {
    enum class Word { Empty, Unknown, Sub, Unsub, Get, AsyncGet, Set, Lc, Ls, Connect, Write, Delay, Model, Json };
    Word word = Word::Empty;
    QString wordText;
    QString path;     // the first quoted part
    bool hasPath = false;
    bool hasValue = false;
    QString value;    // Json: the whole line
    QString user;     // connect
    QString password; // connect
    qint64 size = -1; // write: byte count, -1 when unreadable
    QStringList args; // model: words after "model"
};

Request parseRequest(const QString &line);

// What a path names: a variable (with the form asked for) or a folder of the tree.
struct ResolvedPath {
    enum class Form { Plain, Percent, Min, Max, Choices };
    int index = -1;
    bool folder = false;
    QString key; // components joined by single backslashes, without the form
    Form form = Form::Plain;
};

ResolvedPath resolvePath(const DeviceState &state, const QString &path);

// The path as the processor writes it back: two leading backslashes, no trailing one.
QString answerPath(const QString &key, ResolvedPath::Form form);

// A value line ending in LF: word "path" "value" (the value part left off when null).
QByteArray valueLine(const QString &word, const QString &path, const QString &value);

// Printable, short, quote-free rendering of untrusted text for error lines and logs.
QString sanitized(const QString &text, int maxLength = 48);
} // namespace tarn::offline
