// Guards against wizard screens that load the wrong page or read the wrong text of a state: the
// loader and the providers against the descriptors in the resources (the offline wizard suite
// checks every state's descriptor against its page).
#include "settingskeys.h"
#include "tarnsettings.h"
#include "testenv.h"
#include "wizardafsgraphprovider.h"
#include "wizardbrandlistviewmodel.h"
#include "wizarddialogprovider.h"
#include "wizarddialprovider.h"
#include "wizardlistviewprovider.h"
#include "wizardrunsetupprovider.h"
#include "wizardscreensloader.h"

using tarn::wizard::WizardDescriptor;

class TstWizard : public QObject {
    Q_OBJECT
private slots:
    void stateTable()
    {
        // 149 entries, "AutoEQResult" among them twice (the result page's entry stands): 148 states.
        const QHash<QString, QString> table = WizardScreensLoader::builtInTable();
        QCOMPARE(table.size(), 148);
        QCOMPARE(table.value("AutoEQResult"), QStringLiteral("WizardAEQResultType.qml"));

        WizardScreensLoader loader;
        QSignalSpy changed(&loader, &WizardScreensLoader::wizardStateQmlChanged);
        // A known state, then an unknown one from the network: its page says so, and it joins the table.
        for (const auto &state : {qMakePair(QStringLiteral("GainUp"), QStringLiteral("WizardAFSGraphType.qml")),
                                  qMakePair(QStringLiteral("SomeFutureState"), QStringLiteral("WizardNotImplemented.qml"))}) {
            loader.setWizardStateQml(state.first);
            QCOMPARE(loader.wizardStateQml(), state.second);
            QCOMPARE(changed.takeFirst().at(0).toString(), state.first);
            QCOMPARE(TarnSettings::text(QLatin1String(tarn::keys::WizardCurrentState)), state.first);
        }
        QCOMPARE(loader.stateCount(), 149);
        QCOMPARE(loader.documentFor(QStringLiteral("SomeFutureState")), QStringLiteral("WizardNotImplemented.qml"));
        // A flood of made-up names does not grow the table without bound.
        for (int i = 0; i < 270; ++i)
            loader.setWizardStateQml(QStringLiteral("Junk%1").arg(i));
        QCOMPARE(loader.stateCount(), 148 + 256);
        QCOMPARE(loader.wizardStateQml(), QStringLiteral("WizardNotImplemented.qml"));
    }

    // What the screens read, state by state, from the real descriptors.
    void providers_data()
    {
        QTest::addColumn<QString>("provider");
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("property");
        QTest::addColumn<QString>("expected");
        QTest::newRow("dialog heading") << "dialog" << "StartSetupWizardWarning" << "heading"
                                        << "Completing setup wizard will overwrite your current configuration";
        QTest::newRow("dialog button") << "dialog" << "StartSetupWizardWarning" << "buttonText" << "Continue";
        QTest::newRow("dialog event") << "dialog" << "StartSetupWizardWarning" << "svNextVal" << "Next";
        QTest::newRow("dialog event path") << "dialog" << "StartSetupWizardWarning" << "svNextPath" << "Node\\Wizard\\SV\\WizardEvent";
        QTest::newRow("empty button") << "dialog" << "SetupApply" << "buttonText" << "";
        QTest::newRow("busy has no event") << "dialog" << "AutoEQMeasuring" << "svNextVal" << "";
        QTest::newRow("dial heading") << "dial" << "SelectHighAmplifierLevel" << "heading" << "Match your high amp levels to this:";
        QTest::newRow("dial kind") << "dial" << "SelectHighAmplifierLevel" << "dialOrSlider" << "dial";
        QTest::newRow("slider kind") << "dial" << "SetFilters" << "dialOrSlider" << "slider";
        QTest::newRow("afs image") << "afs" << "GainUp" << "imageSrc" << "qrc:/images/Wizards/RaiseMixerOutputs.png";
        QTest::newRow("afs empty image") << "afs" << "AFSResult" << "imageSrc" << "";
        QTest::newRow("list title") << "list" << "StartFromWhat" << "titleString" << "Choose starting point";
        QTest::newRow("list answer path") << "list" << "PromptAutoEQMeasurements" << "svPath" << "Node\\Wizard\\SV\\AutoEQMeasurements";
        QTest::newRow("run setup title") << "runsetup" << "SelectInput" << "titleString" << "Input Setup";
        QTest::newRow("run setup button") << "runsetup" << "SelectGEQ" << "buttonText" << "Done";
    }

    void providers()
    {
        QFETCH(QString, provider);
        QFETCH(QString, state);
        QFETCH(QString, property);
        QFETCH(QString, expected);
        const QHash<QString, std::function<QObject *()>> make{
            {"dialog", [] { return new WizardDialogProvider; }}, {"dial", [] { return new WizardDialProvider; }},
            {"afs", [] { return new WizardAFSGraphProvider; }}, {"list", [] { return new WizardListViewProvider; }},
            {"runsetup", [] { return new WizardRunSetupProvider; }}};
        const std::unique_ptr<QObject> p(make.value(provider)());
        // The screens take each text from its change signal: the signal carries it too.
        const QMetaProperty meta = p->metaObject()->property(p->metaObject()->indexOfProperty(qPrintable(property)));
        QVERIFY(meta.isValid());
        QSignalSpy announced(p.get(), meta.notifySignal());
        QVERIFY(p->setProperty("wizardState", state));
        QCOMPARE(p->property(qPrintable(property)).toString(), expected);
        if (property != QLatin1String("svNextPath") && property != QLatin1String("svPath")) {
            QVERIFY(!announced.isEmpty());
            QCOMPARE(announced.last().at(0).toString(), expected);
        }
    }

    void dialogKeepsWhatAStateLacks()
    {
        WizardDialogProvider dialog;
        dialog.setWizardState(QStringLiteral("StartSetupWizardWarning"));
        QSignalSpy heading(&dialog, &WizardDialogProvider::headingChanged);
        // A list state is not in the dialog file: nothing changes, nothing is announced.
        dialog.setWizardState(QStringLiteral("StartFromWhat"));
        QCOMPARE(dialog.wizardState(), QStringLiteral("StartFromWhat"));
        QCOMPARE(dialog.heading(), QStringLiteral("Completing setup wizard will overwrite your current configuration"));
        QCOMPARE(dialog.svNextVal(), QStringLiteral("Next"));
        QVERIFY(heading.isEmpty());
        QVERIFY(!dialog.descriptor().state(QStringLiteral("StartFromWhat")));
    }

    void listEntries()
    {
        WizardListViewProvider list;
        QSignalSpy title(&list, &WizardListViewProvider::titleStringChanged);
        list.setWizardState(QStringLiteral("PromptAutoEQMeasurements"));
        // The title element is the title, not a row.
        QCOMPARE(list.rowCount(), 3);
        QVERIFY(list.descriptor().state(QStringLiteral("PromptAutoEQMeasurements")));
        const auto row = [&list](int r, int role) { return list.data(list.index(r), role).toString(); };
        QCOMPARE(QStringList({row(0, WizardListModel::TextRole), row(0, WizardListModel::ValueRole), row(2, WizardListModel::TextRole),
                              row(2, WizardListModel::ValueRole)}),
                 QStringList({"2 GOOD", "2 (Good)", "4 BEST", "4 (Best)"}));
        QCOMPARE(list.getIndexOf(QStringLiteral("3 (Better)")), 1);
        QCOMPARE(list.getIndexOf(QStringLiteral("TitleString")), -1);
        QVERIFY(!title.isEmpty());
        QCOMPARE(list.roleNames().value(WizardListModel::CrossoverCodeRole), QByteArray("listViewElementCrossoverCode"));

        // The start menu writes to the wizard event; pictures ride along.
        list.setWizardState(QStringLiteral("Inactive"));
        QCOMPARE(list.svPath(), QString());
        QVERIFY(list.hasImages());
        QCOMPARE(row(0, WizardListModel::ImageRole), QStringLiteral("qrc:/images/Wizards/SetupWizard.png"));
        QCOMPARE(list.buttonText(), QString());

        // Another descriptor file of the same form, by name only.
        list.setXmlFile(QStringLiteral("WizardRunSetupView.xml"));
        list.loadXML();
        list.setWizardState(QStringLiteral("SelectInputATrim"));
        QCOMPARE(list.rowCount(), 4);
        list.setXmlFile(QStringLiteral("../qml/main.qml"));
        list.loadXML();
        QCOMPARE(list.rowCount(), 4);
    }

    void badDescriptors_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<QString>("why");
        QTest::newRow("dtd") << QByteArray("<!DOCTYPE x [<!ENTITY e \"boom\">]><Wizards><WizardState id=\"a\"><heading>&e;</heading></WizardState></Wizards>")
                             << "entities";
        QTest::newRow("twice") << QByteArray("<Wizards><WizardState id=\"a\"/><WizardState id=\"a\"/></Wizards>") << "twice";
        QTest::newRow("markup in text") << QByteArray("<Wizards><WizardState id=\"a\"><heading>x<b>y</b></heading></WizardState></Wizards>")
                                        << "text only";
        QTest::newRow("no id") << QByteArray("<Wizards><WizardState><heading>x</heading></WizardState></Wizards>") << "id";
        QTest::newRow("other root") << QByteArray("<Other/>") << "<Wizards>";
        QTest::newRow("huge") << (QByteArray("<Wizards>") + QByteArray(2 * 1024 * 1024, ' ') + "</Wizards>") << "larger";
        QTest::newRow("cut off") << QByteArray("<Wizards><WizardState id=\"a\"><heading>x") << "line";
    }

    void badDescriptors()
    {
        QFETCH(QByteArray, xml);
        QFETCH(QString, why);
        WizardDescriptor d;
        QString error;
        QVERIFY(d.parse("<Wizards><WizardState id=\"kept\"><heading>h</heading></WizardState></Wizards>", &error));
        QVERIFY(!d.parse(xml, &error));
        QVERIFY2(error.contains(why), qPrintable(error));
        QVERIFY(d.state(QStringLiteral("kept"))); // what was read before stays
    }

    void brandEntries()
    {
        WizardBrandListViewModel::Entry e;
        QVERIFY(WizardBrandListViewModel::parseEntry(QStringLiteral("Harrow Acoustics|HX Series|HX15"), &e));
        QCOMPARE(QStringList({e.brand, e.series, e.model}), QStringList({"Harrow Acoustics", "HX Series", "HX15"}));
        for (const char *bad : {"None", "A|B", "A||C", "A|B|C|D", ""})
            QVERIFY2(!WizardBrandListViewModel::parseEntry(QLatin1String(bad), &e), bad);
        QVERIFY(!WizardBrandListViewModel::parseEntry(QStringLiteral("A|B|") + QString(300, 'x'), &e));
        QStringList variables;
        for (const char *state : {"PoweredMidAmplifier", "SelectSubSpeaker", "SelectHighAmplifierLevel"})
            variables << WizardBrandListViewModel::choiceVariableFor(QLatin1String(state));
        QCOMPARE(variables, QStringList({"Node\\SetupWizardCurrentChoices\\SV\\MidAmplifier",
                                         "Node\\SetupWizardCurrentChoices\\SV\\SubSpeaker", ""}));
    }
};

TARN_TEST_MAIN(TstWizard, QCoreApplication)
#include "tst_wizard.moc"
