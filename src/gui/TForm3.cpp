#include "gui/TForm3.h"

#include "core/RankholdError.h"
#include "gui/Dialogs.h"
#include "ui_TForm3.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QWindow>

using namespace Qt::StringLiterals;

TForm3::TForm3(std::function<QString()> gameFolder, QWidget *parent)
    : QWidget(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint), ui(std::make_unique<Ui::TForm3>()),
      m_gameFolder(std::move(gameFolder))
{
    ui->setupUi(this);
    setFixedSize(607, 541);
    // An open settings window does not keep the program running once the
    // main window is closed.
    setAttribute(Qt::WA_QuitOnClose, false);

    m_checkBoxes = {ui->CheckBox1,  ui->CheckBox2,  ui->CheckBox3,  ui->CheckBox4,  ui->CheckBox5,  ui->CheckBox6,
                    ui->CheckBox7,  ui->CheckBox8,  ui->CheckBox9,  ui->CheckBox10, ui->CheckBox11, ui->CheckBox12,
                    ui->CheckBox13, ui->CheckBox14, ui->CheckBox15, ui->CheckBox16, ui->CheckBox17, ui->CheckBox18};
    m_comboBoxes = {ui->ComboBox1,  ui->ComboBox2,  ui->ComboBox3, ui->ComboBox4, ui->ComboBox5,
                    ui->ComboBox6,  ui->ComboBox7,  ui->ComboBox8, ui->ComboBox9, ui->ComboBox10,
                    ui->ComboBox11, ui->ComboBox12, ui->ComboBox13};
    m_edits = {ui->Edit1, ui->Edit2, ui->Edit3,  ui->Edit4,  ui->Edit5,  ui->Edit6,  ui->Edit7,
               ui->Edit8, ui->Edit9, ui->Edit10, ui->Edit11, ui->Edit12, ui->Edit13, ui->Edit14};
    for (QLineEdit *edit : std::as_const(m_edits))
        m_maxLengths.append(edit->maxLength());
    // The file supplies every value: no list starts with a choice.
    for (QComboBox *box : std::as_const(m_comboBoxes))
        box->setCurrentIndex(-1);

    connect(ui->CheckBox11, &QCheckBox::toggled, this,
            [this](bool checked) { tickPreset(ui->CheckBox11, ui->CheckBox12, checked); });
    connect(ui->CheckBox12, &QCheckBox::toggled, this,
            [this](bool checked) { tickPreset(ui->CheckBox12, ui->CheckBox11, checked); });
    connect(ui->resetButton, &QPushButton::clicked, this, &TForm3::loadSettings);
    connect(ui->saveButton, &QPushButton::clicked, this, &TForm3::saveSettings);
    // Focus that moves on from an own box to any other window ends the
    // exemption, so the next activation reloads as usual.
    connect(qApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow *window) {
        if (!window || window == windowHandle())
            return;
        const QWidgetList windows = QApplication::topLevelWidgets();
        for (const QWidget *w : windows) {
            if (w->windowHandle() == window && isOwnDialog(w))
                return;
        }
        m_awayInOwnDialog = false;
    });

    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    loadSettings();
}

TForm3::~TForm3() = default;

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
    for (int i = 0; i < m_checkBoxes.size(); ++i)
        v.checkBox(i + 1) = m_checkBoxes.at(i)->isChecked();
    for (int i = 0; i < m_comboBoxes.size(); ++i)
        v.comboBox(i + 1) = m_comboBoxes.at(i)->currentIndex();
    for (int i = 0; i < m_edits.size(); ++i)
        v.edit(i + 1) = m_edits.at(i)->text();
    return v;
}

void TForm3::setValues(const GameSettingsValues &v)
{
    for (int i = 0; i < m_checkBoxes.size(); ++i)
        m_checkBoxes.at(i)->setChecked(v.checkBox(i + 1));
    for (int i = 0; i < m_comboBoxes.size(); ++i) {
        QComboBox *box = m_comboBoxes.at(i);
        const int choice = v.comboBox(i + 1);
        box->setCurrentIndex(choice >= 0 && choice < box->count() ? choice : -1);
    }
    for (int i = 0; i < m_edits.size(); ++i) {
        // A longer value from the file is shown whole (and so saved whole);
        // the limit only stops typing beyond it.
        const QString &text = v.edit(i + 1);
        QLineEdit *edit = m_edits.at(i);
        edit->setMaxLength(std::max(m_maxLengths.at(i), int(text.size())));
        edit->setText(text);
    }
}

void TForm3::loadSettings()
{
    GameSettingsValues v = values();
    try {
        m_config.load(configPath(), v);
    } catch (const RankholdError &e) {
        // Controls set before the failing line keep their new values.
        setValues(v);
        reportError(e.message());
        return;
    }
    setValues(v);
}

void TForm3::saveSettings()
{
    try {
        m_config.save(configPath(), values());
    } catch (const RankholdError &e) {
        reportError(e.message());
    }
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

bool TForm3::isOwnDialog(const QWidget *window) const
{
    for (const QWidget *w = window ? window->parentWidget() : nullptr; w; w = w->parentWidget()) {
        if (w == this)
            return true;
    }
    return false;
}

bool TForm3::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::WindowActivate:
        if (m_awayInOwnDialog)
            m_awayInOwnDialog = false;
        else
            loadSettings();
        break;
    case QEvent::WindowDeactivate:
        m_awayInOwnDialog = isOwnDialog(QApplication::activeWindow());
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

void TForm3::closeEvent(QCloseEvent *event)
{
    // The window lives as long as the program; closing only hides it.
    event->ignore();
    hide();
}
