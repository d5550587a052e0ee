#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

namespace tarn::home {
class NodeCommandChannel;
}

// Copies one block's settings and pastes them onto another block of the same kind, through
// the processor's node commands "CopyObjectSVs" and "PasteObjectSVs": the processor keeps the
// copied values and sets them on the target itself, reporting each change as usual. A paste
// onto a block of another kind is refused by the processor ("Mismatch PO Copying").
class EditModeCopyPaste : public QObject {
    Q_OBJECT
    // The block whose settings were copied last, and its processor class.
    Q_PROPERTY(QString copiedName READ copiedName NOTIFY copiedChanged)
    Q_PROPERTY(QString copiedClass READ copiedClass NOTIFY copiedChanged)
    // A copy or paste is on its way.
    Q_PROPERTY(bool busy READ busy NOTIFY busyChanged)
    // The processor's words on the last refusal; empty after a success.
    Q_PROPERTY(QString lastError READ lastError NOTIFY lastErrorChanged)
public:
    static constexpr int kAnswerTimeoutMs = 10000;
    static constexpr const char kCopyId[] = "appID_EditCopy";
    static constexpr const char kPasteId[] = "appID_EditPaste";

    explicit EditModeCopyPaste(QObject *parent = nullptr);

    QString copiedName() const { return m_copiedName; }
    QString copiedClass() const { return m_copiedClass; }
    bool busy() const { return !m_pending.isEmpty(); }
    QString lastError() const { return m_lastError; }

    // `className` is the block's processor class, kept to tell which blocks may take a paste.
    Q_INVOKABLE bool copy(QString poName, QString className);
    Q_INVOKABLE bool paste(QString poName);
    Q_INVOKABLE bool canPasteOnto(QString poName, QString className) const;

signals:
    void copiedChanged();
    void busyChanged(bool busy);
    void lastErrorChanged(QString error);
    void copied(QString poName);
    void pasted(QString poName);
    void failed(QString message);

private:
    bool start(const QString &method, const QString &id, const QString &poName);
    void finish(bool done, const QString &message);

    tarn::home::NodeCommandChannel *m_channel;
    QTimer m_timeout;
    QString m_pending;      // method waited for
    QString m_target;
    QString m_targetClass;
    QString m_copiedName;
    QString m_copiedClass;
    QString m_lastError;
};
