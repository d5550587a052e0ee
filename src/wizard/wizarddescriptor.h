#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// A wizard view descriptor (":/xml/Wizard*View.xml"):
//
//   <Wizards>
//     <WizardState id="StartSetupWizardWarning">
//       <heading>…</heading> <button>…</button> <DisplayText>…</DisplayText> <image>…</image>
//       <svValue>Next</svValue> <SVPath>Node\Wizard\SV\…</SVPath> <nextSV>…</nextSV>
//       <lvElements>
//         <lvElement><Text>…</Text><Image>…</Image><Value>…</Value></lvElement>
//       </lvElements>
//     </WizardState>
//   </Wizards>
//
// The children of a state are kept in document order with their text as written; which of them
// a screen reads is the provider's business. The reader is bounded and takes no document type
// declarations or entities, so a damaged file is refused with a message instead of read wrongly.
namespace tarn::wizard {
inline constexpr int kMaxDescriptorBytes = 1024 * 1024;
inline constexpr int kMaxDescriptorStates = 1024;
inline constexpr int kMaxStateChildren = 64;
inline constexpr int kMaxListElements = 128;
inline constexpr int kMaxDescriptorText = 4096;

struct ListElement {
    QString text;
    QString image;
    QString value;
    QString crossoverCode;
};

struct StateChild {
    QString name;
    QString text;                 // empty for "lvElements"
    QList<ListElement> elements;  // the entries of "lvElements"
};

struct DescriptorState {
    QString id;
    QList<StateChild> children;
    // The text of the first child of that name; null when the state has none.
    QString text(const QString &name) const;
    bool has(const QString &name) const;
};

class WizardDescriptor {
public:
    // Parses a whole document; on failure names the fault and its line in *error and keeps
    // what it held before.
    bool parse(const QByteArray &xml, QString *error);
    // Reads and parses a file, logging the texts the providers are known by when it cannot.
    bool load(const QString &path);

    bool isEmpty() const { return m_states.isEmpty(); }
    const DescriptorState *state(const QString &id) const;
    QStringList stateIds() const { return m_order; }

private:
    QHash<QString, DescriptorState> m_states;
    QStringList m_order;
};
} // namespace tarn::wizard
