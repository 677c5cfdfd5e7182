#include "find/FindDialog.h"

#include "common/Assertions.h"
#include "common/Messages.h"
#include "editor/CorrectedTextEdit.h"
#include "find/TextPattern.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace {

template<typename W>
W *place(W *widget, const char *name, QRect geometry, const QString &toolTip)
{
    if (name)
        widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(geometry);
    widget->setToolTip(toolTip);
    return widget;
}

void selectAllFromStart(CorrectedTextEdit *field)
{
    QTextCursor cursor = field->textCursor();
    cursor.setPosition(0);
    field->setTextCursor(cursor);
    field->selectAll();
}

} // namespace

FindDialog::FindDialog(bool replaceMode, QWidget *parent, const char *name, Qt::WindowFlags flags)
    : QWidget(parent, flags | Qt::Window)
{
    if (name)
        setObjectName(QString::fromLatin1(name));
    // The dialog belongs to its main window: it never keeps the program running on its own.
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowTitle(tr("Поиск и замена (Find & Replace)"));
    setFixedSize(450, 276);
    build();
    m_paras.inName = m_paras.inDescription = true;
    m_paras.scope = FindParas::AllThemes;
    setReplaceMode(replaceMode);
}

void FindDialog::build()
{
    auto *options =
            place(new QGroupBox(tr("Options"), this), "options", {287, 3, 153, 61}, tr("Опции"));
    auto *in = place(new QGroupBox(tr("in"), this), "in", {287, 67, 153, 137},
                     tr("В каких частях искать"));
    auto *of = place(new QGroupBox(tr("of"), in), "of", {5, 55, 143, 75},
                     tr("Диапазон тем для поиска"));
    place(new QCheckBox(tr("&Case Sensitive"), options), "caseSensitiveOpt", {8, 19, 134, 16},
          tr("Чувствительность к регистру"));
    place(new QCheckBox(tr("&Backwards"), options), "backwardsOpt", {8, 37, 134, 16},
          tr("В обратном направлении"));
    place(new QCheckBox(tr("&Name"), in), "inName", {8, 17, 134, 16}, tr("В именах"))
            ->setChecked(true);
    place(new QCheckBox(tr("&Description"), in), "inDescription", {8, 35, 134, 16},
          tr("В описаниях"))
            ->setChecked(true);
    place(new QRadioButton(tr("&Theme"), of), "ofTheme", {6, 17, 130, 16}, tr("В текущей теме"));
    place(new QRadioButton(tr("Theme + &Subthemes"), of), "ofThemeWithSubthemes", {6, 34, 130, 16},
          tr("В текущей теме и всех подтемах"));
    place(new QRadioButton(tr("&All Themes"), of), "ofAllThemes", {6, 51, 130, 16},
          tr("Во всех темах"))
            ->setChecked(true);

    // Beyond the dialog's first layout: the pattern options and a line for a pattern's error.
    m_regexBox = place(new QCheckBox(tr("Regular e&xpression"), this), "regularExpressionOpt",
                       {28, 211, 185, 16}, tr("Регулярное выражение"));
    m_wholeWordsBox = place(new QCheckBox(tr("&Whole words"), this), "wholeWordsOpt",
                            {28, 229, 185, 16}, tr("Только целые слова"));
    m_status = place(new QLabel(this), "status", {28, 252, 412, 18}, QString());

    QFont bold = font();
    bold.setBold(true);
    place(new QLabel(tr("Find:"), this), "findLabel", {30, 3, 247, 16}, tr("Найти"))->setFont(bold);
    m_findText = place(new CorrectedTextEdit(this), "findText", {28, 23, 250, 39},
                       tr("Текст для поиска"));
    m_replaceLabel = place(new QLabel(tr("Replace with:"), this), "replaceLabel", {30, 68, 247, 16},
                           tr("Заменить"));
    m_replaceLabel->setFont(bold);
    m_replaceText = place(new CorrectedTextEdit(this), "replaceText", {28, 89, 250, 39},
                          tr("Текст для замены"));

    auto button = [this](const QString &text, const char *name, QRect geometry,
                         const QString &toolTip) {
        auto *created = place(new QPushButton(text, this), name, geometry, toolTip);
        created->setAutoDefault(false);
        return created;
    };
    m_findNextButton =
            button(tr("Find next <F3>"), "findNextButton", {28, 138, 100, 29}, tr("Найти дальше"));
    m_nextThemeButton = button(tr("Next Theme <Ctrl+F3>"), "nextThemeButton", {130, 138, 149, 29},
                               tr("Найти в следующей теме"));
    m_replaceButton =
            button(tr("Replace <F4>"), "replaceButton", {28, 176, 100, 29}, tr("Заменить"));
    m_replaceAllButton = button(tr("Replace All <Ctrl+F4>"), "replaceAllButton",
                                {130, 176, 149, 29}, tr("Заменить все"));
    m_listButton = button(tr("Find all <F11>"), "listButton", {220, 216, 100, 29},
                          tr("Найти все (Ctrl+Shift+F)"));
    m_futureButtons = {
            button(tr("<"), "leftFindButton", {6, 25, 17, 18},
                   tr("Предыдущий ввод поиска(will be in next release)")),
            button(tr(">"), "rightFindButton", {6, 41, 17, 18},
                   tr("Следующий ввод поиска(will be in next release)")),
            button(tr("<"), "leftReplaceButton", {6, 92, 17, 18},
                   tr("Предыдущий ввод замены(will be in next release)")),
            button(tr(">"), "rightReplaceButton", {6, 108, 17, 18},
                   tr("Следующий ввод замены(will be in next release)")),
    };
    QPushButton *close =
            button(tr("Close <Esc>"), "closeButton", {332, 216, 100, 29}, tr("Закрыть окно"));

    CONNECT_ASSERT(
            connect(m_findNextButton, &QPushButton::pressed, this, &FindDialog::findNextPressed));
    CONNECT_ASSERT(
            connect(m_nextThemeButton, &QPushButton::pressed, this, &FindDialog::nextThemePressed));
    CONNECT_ASSERT(
            connect(m_replaceButton, &QPushButton::pressed, this, &FindDialog::replacePressed));
    CONNECT_ASSERT(connect(m_replaceAllButton, &QPushButton::pressed, this,
                           &FindDialog::replaceAllPressed));
    CONNECT_ASSERT(connect(m_listButton, &QPushButton::pressed, this, &FindDialog::listPressed));
    CONNECT_ASSERT(connect(close, &QPushButton::pressed, this, &QWidget::close));
    m_findText->installEventFilter(this);
    m_replaceText->installEventFilter(this);
    CONNECT_ASSERT(
            connect(m_findText, &QPlainTextEdit::textChanged, this, &FindDialog::checkPattern));
    for (QCheckBox *box : {m_regexBox, m_wholeWordsBox})
        CONNECT_ASSERT(connect(box, &QCheckBox::toggled, this, &FindDialog::checkPattern));
}

// A regular expression that does not compile is named in the status line, and no button runs
// a search until it is mended.
void FindDialog::checkPattern()
{
    FindParas pattern;
    pattern.findText = m_findText->text();
    pattern.regularExpression = m_regexBox->isChecked();
    const TextPattern compiled(pattern);
    m_status->setText(compiled.errorText());
    m_patternValid = compiled.isValid();
    for (QPushButton *button : {m_findNextButton, m_nextThemeButton, m_listButton})
        button->setEnabled(m_patternValid);
    for (QPushButton *button : {m_replaceButton, m_replaceAllButton})
        button->setEnabled(m_patternValid && m_replaceText->isEnabled());
}

void FindDialog::setReplaceMode(bool on)
{
    for (QWidget *widget : std::initializer_list<QWidget *>{m_replaceText, m_replaceLabel})
        widget->setEnabled(on);
    for (QPushButton *button : {m_replaceButton, m_replaceAllButton})
        button->setEnabled(on && m_patternValid);
    for (QPushButton *button : std::as_const(m_futureButtons))
        button->setEnabled(false);
}

void FindDialog::warn(int code)
{
    if (code == 1)
        Messages::warning(this, Messages::warningCaption(),
                          tr("Не задана строка поиска (Nothing to find)"));
    else if (code == 2)
        Messages::warning(this, Messages::warningCaption(),
                          tr("Не указано, где искать (Nowhere to find)"));
}

void FindDialog::gather()
{
    auto checked = [this](const char *name) {
        const auto *box = findChild<QAbstractButton *>(QString::fromLatin1(name));
        return box && box->isChecked();
    };
    m_paras.caseSensitive = checked("caseSensitiveOpt");
    m_paras.regularExpression = m_regexBox->isChecked();
    m_paras.wholeWords = m_wholeWordsBox->isChecked();
    m_paras.backwards = checked("backwardsOpt");
    m_paras.inName = checked("inName");
    m_paras.inDescription = checked("inDescription");
    m_paras.scope = checked("ofTheme")                ? FindParas::ThemeOnly
                    : checked("ofThemeWithSubthemes") ? FindParas::ThemeWithSubthemes
                                                      : FindParas::AllThemes;
    m_paras.findText = m_findText->text();
    m_paras.replaceText = m_replaceText->text();
    m_findText->selectAll();
    m_replaceText->selectAll();
}

void FindDialog::press(QPushButton *button, int action)
{
    gather();
    if (!m_patternValid) {
        // The status line already says what is wrong with the pattern.
    } else if (const int code = validate()) {
        warn(code);
    } else {
        m_paras.action = action;
        if (action == FindParas::NoAction)
            Q_EMIT listAction();
        else if (action >= FindParas::Replace)
            Q_EMIT replaceAction();
        else
            Q_EMIT findAction();
    }
    if (button->isDown())
        button->setDown(false);
}

void FindDialog::findNextPressed()
{
    press(m_findNextButton, FindParas::FindNext);
}

void FindDialog::nextThemePressed()
{
    press(m_nextThemeButton, FindParas::NextTheme);
}

void FindDialog::replacePressed()
{
    press(m_replaceButton, FindParas::Replace);
}

void FindDialog::replaceAllPressed()
{
    press(m_replaceAllButton, FindParas::ReplaceAll);
}

void FindDialog::listPressed()
{
    press(m_listButton, FindParas::NoAction);
}

void FindDialog::setVisible(bool visible)
{
    if (visible == m_shown) {
        QWidget::setVisible(visible);
        return;
    }
    if (visible) {
        QWidget::setVisible(true);
        m_paras.action = FindParas::NoAction;
        selectAllFromStart(m_findText);
        selectAllFromStart(m_replaceText);
        m_focusIndex = 0;
        m_findText->setFocus();
        m_shown = true;
    } else {
        gather();
        m_focusIndex = 0;
        m_findText->setFocus();
        Q_EMIT hided();
        QWidget::setVisible(false);
        m_shown = false;
    }
}

void FindDialog::cycleFocus(int step)
{
    const int last = m_replaceText->isEnabled() ? 1 : 0;
    m_focusIndex += step;
    if (m_focusIndex < 0)
        m_focusIndex = last;
    else if (m_focusIndex > last)
        m_focusIndex = 0;
    (m_focusIndex == 0 ? m_findText : m_replaceText)->setFocus();
}

bool FindDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress || (watched != m_findText && watched != m_replaceText))
        return QWidget::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    const bool ctrl = modifiers == Qt::ControlModifier;
    const bool plain = modifiers == Qt::NoModifier;
    switch (key->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        if (ctrl && key->key() == Qt::Key_Tab)
            cycleFocus(1);
        else if (modifiers == (Qt::ControlModifier | Qt::ShiftModifier))
            cycleFocus(-1);
        else
            return false;
        return true;
    case Qt::Key_F3:
        if (plain)
            findNextPressed();
        else if (ctrl)
            nextThemePressed();
        else
            return false;
        return true;
    case Qt::Key_F4:
        if (!m_replaceButton->isEnabled() || !(plain || ctrl))
            return false;
        if (plain)
            replacePressed();
        else
            replaceAllPressed();
        return true;
    case Qt::Key_F11:
    case Qt::Key_F:
        // The list, by its own key or by the main window's.
        if (key->key() == Qt::Key_F11 ? !plain
                                      : modifiers != (Qt::ControlModifier | Qt::ShiftModifier))
            return false;
        listPressed();
        return true;
    case Qt::Key_Escape:
        close();
        return true;
    default:
        return false;
    }
}
