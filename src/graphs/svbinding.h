#pragma once

#include <QHash>
#include <QLoggingCategory>
#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

Q_DECLARE_LOGGING_CATEGORY(lcGraphs)

namespace tarn::graphs {

// Makes the value controls through which a plotter binds its band parameters to the processor.
// What it returns is a QObject that the plotter owns (created with `owner` as parent) and talks
// to only through the meta-object, so the plotters stay free of the control classes:
//   numeric: properties "svName" (QString) and "value" (float), signal valueChanged(float),
//            invokables setValueWithoutFeedback(float) and componentCompleted();
//   text:    the same with QString in place of float.
// A null return leaves that parameter unbound.
class SVBindingFactory {
public:
    virtual ~SVBindingFactory() = default;
    virtual QObject *createNumerical(QObject *owner, const QString &entityName, const QString &poName,
                                     const QString &svName) = 0;
    virtual QObject *createText(QObject *owner, const QString &entityName, const QString &poName,
                                const QString &svName) = 0;
};

// The factory every plotter starts with: TarnNumericalSV and TarnTextSV bound to the processor.
std::shared_ptr<SVBindingFactory> defaultSVBindingFactory();

// The controls one plotter created, keyed by state-variable name, with the band and parameter
// each stands for.
class BoundControls {
public:
    struct Entry {
        QPointer<QObject> control;
        int band = -1;
        QString parameter;
    };

    ~BoundControls();
    BoundControls() = default;
    BoundControls(const BoundControls &) = delete;
    BoundControls &operator=(const BoundControls &) = delete;

    void add(const QString &svName, QObject *control, int band, const QString &parameter);
    void clear();
    int size() const { return m_entries.size(); }
    bool isEmpty() const { return m_entries.isEmpty(); }

    const Entry *find(const QString &svName) const;
    // The entry of a signal's sender (null for an unknown or stale sender).
    const Entry *findSender(const QObject *sender) const;
    QObject *control(const QString &svName) const;

    // Reads "value" of a numeric control; false when absent.
    bool numericValue(const QString &svName, float *value) const;
    bool setValueWithoutFeedback(const QString &svName, float value) const;
    bool setValueWithoutFeedback(const QString &svName, const QString &value) const;

private:
    QHash<QString, Entry> m_entries;
};

// Connects a created control's valueChanged to the plotter's slot, by signature.
bool connectNumerical(QObject *control, QObject *receiver, const char *slot);
bool connectText(QObject *control, QObject *receiver, const char *slot);
void completeControl(QObject *control);

} // namespace tarn::graphs
