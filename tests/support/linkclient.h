#pragma once

#include "devicerecord.h"
#include "linebuffer.h"
#include "lineformat.h"

#include <QObject>
#include <QStringList>
#include <QTcpSocket>

namespace tarn::test {
// A control-port client made of the application's own line functions. Its signals carry the
// names and arguments of the link adaptor's, so a test written against it moves to the
// adaptor by swapping the object.
class LinkClient : public QObject {
    Q_OBJECT
public:
    explicit LinkClient(QObject *parent = nullptr);

    void connectToHost(quint16 port, const QString &host = QStringLiteral("127.0.0.1"));
    void disconnectFromHost();
    bool isConnected() const { return m_socket.state() == QAbstractSocket::ConnectedState; }

    void enterPassword(const QString &password);
    void sendRequest(const DataFromDevice &request);
    void sendRaw(const QByteArray &bytes);

    // Logs in with the given password and waits for the answer; true when accepted.
    bool login(quint16 port, const QString &password = QStringLiteral("stagemanagers"));

    // The newest value reported for a binding (any value word), null when none came.
    QString value(const QString &po, const QString &sv, const QString &valueType = QString()) const;
    QList<DataFromDevice> recordsFor(const QString &po, const QString &sv, const QString &valueType = QString()) const;

    // Sends one line and waits for its answer: the first line after it that starts with one of
    // `answers`; by default the request's word ("setr", "subr", "unsubr" for set, sub, unsub) or
    // "error ". Lines pushed meanwhile are kept as usual. "(no answer)" when none comes in 10 s.
    QString ask(const QString &line, QStringList answers = QStringList());
    QString ask(const DataFromDevice &request);
    // What one get of the binding answers, and what one set is answered with: the value, or
    // the error line that refuses it.
    QString get(const QString &po, const QString &sv, const QString &valueType = QString());
    QString set(const QString &po, const QString &sv, const QString &value, const QString &valueType = QString());
    // A "model status" round trip: what the model wrote before it has arrived once this is true.
    bool settle() { return ask(QStringLiteral("model status"), {QStringLiteral("model status ")}) != QLatin1String("(no answer)"); }

    QStringList lines;           // every complete line received
    QList<DataFromDevice> records;
    int oversizedLines = 0;      // lines dropped for exceeding the link's line bound
    int partialReads = 0;        // reads that ended inside a line

signals:
    void connected();
    void disconnected();
    void enterPasswordRequested();
    void corvexReady();
    void incorrectPassword();
    void dataAvailable(DataFromDevice data);
    void enumsAvailable(QStringList enums, QString svPath);
    void poAvailable(QStringList pos, QString path);
    void lineReceived(QString line);

private:
    void onReadyRead();

    QTcpSocket m_socket;
    tarn::protocol::LineBuffer m_buffer;
    tarn::protocol::LineClassifier m_classifier;
};
} // namespace tarn::test
