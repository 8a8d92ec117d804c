#include "gui/TForm3.h"

#include "common/RankholdError.h"
#include "gui/Dialogs.h"
#include "ui_TForm3.h"

#include <QAccessibleWidget>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

using namespace Qt::StringLiterals;

namespace {

// A plain widget reads as a "filler" to assistive tools; this one is a
// window of its own, shown as a dialog.
QAccessibleInterface *accessibleAsDialog(const QString &className, QObject *object)
{
    if (className == "TForm3"_L1 && object && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Dialog);
    return nullptr;
}

} // namespace

TForm3::TForm3(std::function<QString()> gameFolder, QWidget *parent)
    : QWidget(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint), ui(std::make_unique<Ui::TForm3>()),
      m_gameFolder(std::move(gameFolder))
{
    static const bool accessibleFactoryInstalled = [] {
        QAccessible::installFactory(accessibleAsDialog);
        return true;
    }();
    Q_UNUSED(accessibleFactoryInstalled);
    ui->setupUi(this);
    setFixedSize(607, 541);
    // An open settings window does not keep the program running once the
    // main window is closed.
    setAttribute(Qt::WA_QuitOnClose, false);

    bindControls();
    // The file supplies every value: no list starts with a choice.
    for (const ChoiceBinding &b : std::as_const(m_comboBoxes))
        b.box->setCurrentIndex(-1);

    connect(ui->CheckBox11, &QCheckBox::toggled, this,
            [this](bool checked) { tickPreset(ui->CheckBox11, ui->CheckBox12, checked); });
    connect(ui->CheckBox12, &QCheckBox::toggled, this,
            [this](bool checked) { tickPreset(ui->CheckBox12, ui->CheckBox11, checked); });
    connect(ui->resetButton, &QPushButton::clicked, this, &TForm3::loadSettings);
    connect(ui->saveButton, &QPushButton::clicked, this, &TForm3::saveSettings);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    loadSettings();
}

TForm3::~TForm3() = default;

void TForm3::bindControls()
{
    using Checks = GameSettingsValues::Checks;
    using Choices = GameSettingsValues::Choices;
    using Texts = GameSettingsValues::Texts;
    m_checkBoxes = {
        {ui->CheckBox1, &Checks::showIntroMovie},
        {ui->CheckBox2, &Checks::useShadows},
        {ui->CheckBox3, &Checks::bloodEffect},
        {ui->CheckBox4, &Checks::shellcasingEffect},
        {ui->CheckBox5, &Checks::smokeEffect},
        {ui->CheckBox6, &Checks::displayWeapon},
        {ui->CheckBox7, &Checks::allowAbilities},
        {ui->CheckBox8, &Checks::crosshairSpread},
        {ui->CheckBox9, &Checks::scopeDrift},
        {ui->CheckBox10, &Checks::weaponRecoil},
        {ui->CheckBox11, &Checks::matchPreset1},
        {ui->CheckBox12, &Checks::matchPreset2},
        {ui->CheckBox13, &Checks::droppedWeaponsDisappear},
        {ui->CheckBox14, &Checks::dropWeapons},
        {ui->CheckBox15, &Checks::respawnWithPrimary},
        {ui->CheckBox16, &Checks::destroyableBuildings},
        {ui->CheckBox17, &Checks::deathMessages},
        {ui->CheckBox18, &Checks::playExitCredits},
    };
    m_comboBoxes = {
        {ui->ComboBox1, &Choices::serveOnly},       {ui->ComboBox2, &Choices::numberOfTeams},
        {ui->ComboBox3, &Choices::maxPlayers},      {ui->ComboBox4, &Choices::replay},
        {ui->ComboBox5, &Choices::gameResolution},  {ui->ComboBox6, &Choices::colorDepth},
        {ui->ComboBox7, &Choices::gpsMode},         {ui->ComboBox8, &Choices::wind},
        {ui->ComboBox9, &Choices::terrainGeometry}, {ui->ComboBox10, &Choices::terrainDetail},
        {ui->ComboBox11, &Choices::objectDetail},   {ui->ComboBox12, &Choices::gametype},
        {ui->ComboBox13, &Choices::selectTeam},
    };
    const std::pair<QLineEdit *, QString Texts::*> edits[] = {
        {ui->Edit1, &Texts::serverGamePassword}, {ui->Edit2, &Texts::playerGamePassword},
        {ui->Edit3, &Texts::teamPassword},       {ui->Edit4, &Texts::redPassword},
        {ui->Edit5, &Texts::bluePassword},       {ui->Edit6, &Texts::yellowPassword},
        {ui->Edit7, &Texts::violetPassword},     {ui->Edit8, &Texts::country},
        {ui->Edit9, &Texts::gameName},           {ui->Edit10, &Texts::timeLimit},
        {ui->Edit11, &Texts::maxKills},          {ui->Edit12, &Texts::zoneTime},
        {ui->Edit13, &Texts::startDelay},        {ui->Edit14, &Texts::timeout},
    };
    for (const auto &[edit, value] : edits)
        m_edits.append({edit, value, edit->maxLength()});
}

void TForm3::setBackground(const QPixmap &picture)
{
    ui->Image1->setPixmap(picture);
}

QString TForm3::configPath() const
{
    return GameConfigFile::configPath(m_gameFolder ? m_gameFolder() : QString());
}

GameSettingsValues TForm3::values() const
{
    GameSettingsValues v;
    for (const CheckBinding &b : m_checkBoxes)
        v.checks.*b.value = b.box->isChecked();
    for (const ChoiceBinding &b : m_comboBoxes)
        v.choices.*b.value = b.box->currentIndex();
    for (const TextBinding &b : m_edits)
        v.texts.*b.value = b.edit->text();
    return v;
}

void TForm3::setValues(const GameSettingsValues &v)
{
    for (const CheckBinding &b : std::as_const(m_checkBoxes))
        b.box->setChecked(v.checks.*b.value);
    for (const ChoiceBinding &b : std::as_const(m_comboBoxes)) {
        const int choice = v.choices.*b.value;
        b.box->setCurrentIndex(choice >= 0 && choice < b.box->count() ? choice : -1);
    }
    for (const TextBinding &b : std::as_const(m_edits)) {
        // A longer value from the file is shown whole (and so saved whole);
        // the limit only stops typing beyond it.
        const QString &text = v.texts.*b.value;
        b.edit->setMaxLength(std::max(b.maxLength, int(text.size())));
        b.edit->setText(text);
    }
}

void TForm3::loadSettings()
{
    GameSettingsValues v = values();
    try {
        m_config.load(configPath(), v);
    } catch (const RankholdError &e) {
        // Controls set before the failing line keep their new values.
        showLoaded(v);
        reportError(e.message());
        return;
    }
    showLoaded(v);
}

void TForm3::saveSettings()
{
    const GameSettingsValues shown = values();
    try {
        m_config.save(configPath(), shown);
        if (m_onSaved)
            m_onSaved();
    } catch (const RankholdError &e) {
        reportError(e.message());
        return;
    }
    m_unedited = shown;
}

void TForm3::reloadIfChangedOnDisk()
{
    // Answering the question below brings the focus back here: that is no
    // new look at the file.
    if (m_asking)
        return;
    const QString path = configPath();
    if (!m_config.changedOnDisk(path))
        return;
    if (hasUnsavedEdits()) {
        m_asking = true;
        const bool loadFile = Dialogs::question(this, kChangedOnDiskQuestion);
        m_asking = false;
        if (!loadFile) {
            m_config.keepOverDiskVersion(path);
            return;
        }
    }
    loadSettings();
}

bool TForm3::hasUnsavedEdits() const
{
    return values() != m_unedited;
}

void TForm3::showLoaded(const GameSettingsValues &v)
{
    setValues(v);
    // Read back: what the controls can show is what counts as unedited.
    m_unedited = values();
}

void TForm3::reportError(const QString &message)
{
    Dialogs::error(this, message);
}

void TForm3::tickPreset(QCheckBox *ticked, QCheckBox *other, bool checked)
{
    // The presets exclude each other; clearing one changes nothing else.
    if (checked && ticked->isChecked())
        other->setChecked(false);
}

bool TForm3::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate)
        reloadIfChangedOnDisk();
    return QWidget::event(event);
}

void TForm3::closeEvent(QCloseEvent *event)
{
    // The window lives as long as the program; closing only hides it.
    event->ignore();
    hide();
}
