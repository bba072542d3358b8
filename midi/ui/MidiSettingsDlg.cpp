#include "midi/ui/MidiSettingsDlg.h"

#include "midi/MidiPortProvider.h"
#include "midi/ui/FindSynthDlg.h"
#include "model/ExpansionNames.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

CMidiSettingsDlg::CMidiSettingsDlg(CMidiPortProvider& ports, const CExpansionNames& names,
                                   const CAppSettings::Midi& values, QWidget* parent)
    : QDialog(parent), m_initial(values)
{
    setObjectName(QStringLiteral("MidiSettingsDlg"));
    setWindowTitle(QStringLiteral("Midi Settings"));
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* left = new QVBoxLayout;

    auto* main = new QGroupBox(QStringLiteral("Main"), this);
    auto* mainForm = new QFormLayout(main);
    m_in = new QComboBox(main);
    m_in->addItems(ports.inputNames());
    m_out = new QComboBox(main);
    m_out->addItems(ports.outputNames());
    // The stored port is found by its name first: positions shift as devices come and go.
    m_in->setCurrentIndex(CMidiPortProvider::resolve(ports.inputNames(), values.inDevice, values.inName));
    m_out->setCurrentIndex(CMidiPortProvider::resolve(ports.outputNames(), values.outDevice, values.outName));
    m_deviceId = new QComboBox(main);
    for (int id = SynthSettings::kMinDeviceId; id <= SynthSettings::kMaxDeviceId; ++id)
        m_deviceId->addItem(QString::number(id + 1));
    m_deviceId->setCurrentIndex(values.deviceId - SynthSettings::kMinDeviceId);
    m_thru = new QCheckBox(QStringLiteral("Activate MIDI Thru"), main);
    m_thru->setChecked(values.thru);
    m_remote = new QComboBox(main);
    for (int c = 0; c <= CAppSettings::kMaxController; ++c)
        m_remote->addItem(QString::number(c));
    m_remote->setCurrentIndex(values.remote);
    mainForm->addRow(QStringLiteral("Input:"), m_in);
    mainForm->addRow(QStringLiteral("Output:"), m_out);
    mainForm->addRow(QStringLiteral("Device ID:"), m_deviceId);
    mainForm->addRow(m_thru);
    mainForm->addRow(QStringLiteral("Basic Remote Midi Controller:"), m_remote);
    left->addWidget(main);

    auto* synth = new QGroupBox(QStringLiteral("Which synth to use"), this);
    auto* synthLayout = new QHBoxLayout(synth);
    const char* const models[3] = {"JV-1080", "JV-2080", "XP-50 / 60 / 80"};
    for (int m = 0; m < 3; ++m) {
        m_model[static_cast<std::size_t>(m)] = new QRadioButton(QString::fromLatin1(models[m]), synth);
        synthLayout->addWidget(m_model[static_cast<std::size_t>(m)]);
        connect(m_model[static_cast<std::size_t>(m)], &QRadioButton::toggled, this,
                &CMidiSettingsDlg::updateBoardLists);
    }
    left->addWidget(synth);

    auto* sending = new QGroupBox(QStringLiteral("Sending"), this);
    auto* sendLayout = new QVBoxLayout(sending);
    const ByKind<const char*> sendTexts{{"Send selected patch", "Send selected performance", "Send selected rhythm"}};
    for (ItemKind k : kItemKinds) {
        auto*& box = m_send[k];
        box = new QCheckBox(QString::fromLatin1(sendTexts[k]), sending);
        box->setChecked(values.send[k]);
        sendLayout->addWidget(box);
    }
    left->addWidget(sending);

    auto* pace = new QGroupBox(QStringLiteral("Pace of sending"), this);
    auto* paceForm = new QFormLayout(pace);
    m_rate = new QSpinBox(pace);
    m_rate->setRange(0, CAppSettings::kMaxSendRate);
    m_rate->setSuffix(QStringLiteral(" bytes/s"));
    m_rate->setSpecialValueText(QStringLiteral("As fast as the port takes it"));
    m_rate->setValue(values.sendRate);
    m_pause = new QSpinBox(pace);
    m_pause->setRange(0, CAppSettings::kMaxSendPause);
    m_pause->setSuffix(QStringLiteral(" ms"));
    m_pause->setSpecialValueText(QStringLiteral("None"));
    m_pause->setValue(values.sendPause);
    paceForm->addRow(QStringLiteral("Rate:"), m_rate);
    paceForm->addRow(QStringLiteral("Pause after each message:"), m_pause);
    left->addWidget(pace);
    left->addStretch();
    top->addLayout(left);

    auto* expansions = new QGroupBox(QStringLiteral("Expansions"), this);
    auto* boardForm = new QFormLayout(expansions);
    QStringList boardNames{QStringLiteral("None")};
    for (int b = 1; b <= CExpansionNames::kBoardFileCount; ++b)
        boardNames << names.GetTitle(NameFileKind::Board, b);
    for (int slot = 0; slot < CAppSettings::kBoardSlots; ++slot) {
        auto*& list = m_boards[static_cast<std::size_t>(slot)];
        list = new QComboBox(expansions);
        list->addItems(boardNames);
        list->setMaxVisibleItems(20);
        list->setCurrentIndex(values.boards[static_cast<std::size_t>(slot)]);
        boardForm->addRow(QStringLiteral("Board %1:").arg(slot + 1), list);
    }
    auto* right = new QVBoxLayout;
    right->addWidget(expansions, 1);

    auto* checks = new QGroupBox(QStringLiteral("Safe sending"), this);
    auto* checkForm = new QFormLayout(checks);
    m_verify = new QCheckBox(QStringLiteral("&Verify after sending"), checks);
    m_verify->setToolTip(QStringLiteral("Read back what a send wrote, send again what differs, and say whether it "
                                        "arrived"));
    m_verify->setChecked(values.verifySends);
    m_backup = new QCheckBox(QStringLiteral("Back &up before sending"), checks);
    m_backup->setToolTip(QStringLiteral("Receive what a send to user or card memory overwrites into a dated file "
                                        "first"));
    m_backup->setChecked(values.backupBeforeSend);
    m_kept = new QSpinBox(checks);
    m_kept->setRange(1, CAppSettings::kMaxKeptBackups);
    m_kept->setValue(values.keptBackups);
    m_kept->setEnabled(values.backupBeforeSend);
    connect(m_backup, &QCheckBox::toggled, m_kept, &QSpinBox::setEnabled);
    checkForm->addRow(m_verify);
    checkForm->addRow(m_backup);
    checkForm->addRow(QStringLiteral("Backups kept:"), m_kept);
    right->addWidget(checks);
    top->addLayout(right, 1);
    layout->addLayout(top);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton* find = buttons->addButton(QStringLiteral("&Find Synthesizer..."), QDialogButtonBox::ActionRole);
    connect(find, &QPushButton::clicked, this, [this, &ports] {
        CFindSynthDlg dialog(ports, this);
        dialog.start();
        if (dialog.exec() == QDialog::Accepted) {
            if (const auto synth = dialog.chosen())
                takeFound(*synth);
        }
    });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    m_model[static_cast<std::size_t>(values.model)]->setChecked(true);
    updateBoardLists();
}

void CMidiSettingsDlg::takeFound(const synthline::FoundSynth& synth)
{
    m_in->setCurrentIndex(synth.input);
    m_out->setCurrentIndex(synth.output);
    m_deviceId->setCurrentIndex(synth.deviceId - SynthSettings::kMinDeviceId);
    m_model[static_cast<std::size_t>(synth.model)]->setChecked(true);
    updateBoardLists();
}

void CMidiSettingsDlg::updateBoardLists()
{
    // Only the JV-2080 has slots 5 to 8; their values are kept either way.
    const bool all = m_model[1]->isChecked();
    for (int slot = CAppSettings::kBoardSlotsJv1080; slot < CAppSettings::kBoardSlots; ++slot)
        m_boards[static_cast<std::size_t>(slot)]->setEnabled(all);
}

CAppSettings::Midi CMidiSettingsDlg::values() const
{
    CAppSettings::Midi v = m_initial;
    v.inDevice = std::max(0, m_in->currentIndex());
    v.outDevice = std::max(0, m_out->currentIndex());
    v.inName = m_in->currentText();
    v.outName = m_out->currentText();
    v.deviceId = SynthSettings::kMinDeviceId + m_deviceId->currentIndex();
    v.thru = m_thru->isChecked();
    v.remote = m_remote->currentIndex();
    for (int m = 0; m < 3; ++m)
        if (m_model[static_cast<std::size_t>(m)]->isChecked())
            v.model = static_cast<SynthModel>(m);
    for (ItemKind k : kItemKinds)
        v.send[k] = m_send[k]->isChecked();
    for (int slot = 0; slot < CAppSettings::kBoardSlots; ++slot)
        v.boards[static_cast<std::size_t>(slot)] =
            std::max(0, m_boards[static_cast<std::size_t>(slot)]->currentIndex());
    v.sendRate = m_rate->value();
    v.sendPause = m_pause->value();
    v.verifySends = m_verify->isChecked();
    v.backupBeforeSend = m_backup->isChecked();
    v.keptBackups = m_kept->value();
    return v;
}
