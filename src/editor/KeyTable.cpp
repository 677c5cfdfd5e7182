#include "editor/KeyTable.h"

#include "editor/KeyboardLayout.h"

#include <QKeyEvent>
#include <QKeySequence>

namespace {

bool modifiersMatch(const KeyBinding &binding, Qt::KeyboardModifiers modifiers)
{
    switch (binding.match) {
    case KeyBinding::Exact:
        return (modifiers & ~Qt::KeypadModifier) == binding.modifiers;
    case KeyBinding::Unmasked:
        return modifiers == binding.modifiers;
    case KeyBinding::AnyModifiers:
        return true;
    case KeyBinding::Keypad:
        return modifiers & Qt::KeypadModifier;
    }
    return false;
}

bool keyMatches(const KeyBinding &binding, int key)
{
    if (binding.key == 0)
        return true;
    if (binding.lastKey == 0)
        return key == binding.key;
    return key >= binding.key && key <= binding.lastKey;
}

QString sequenceText(Qt::KeyboardModifiers modifiers, int key)
{
    return QKeySequence(QKeyCombination(modifiers, Qt::Key(key)))
            .toString(QKeySequence::PortableText);
}

} // namespace

namespace KeyTable {

const KeyBinding *find(std::span<const KeyBinding> table, const QKeyEvent *event)
{
    const int key = KeyboardLayout::effectiveKeyCode(event);
    for (const KeyBinding &binding : table) {
        if (modifiersMatch(binding, event->modifiers()) && keyMatches(binding, key))
            return &binding;
    }
    return nullptr;
}

QString keyText(const KeyBinding &binding)
{
    Qt::KeyboardModifiers modifiers = binding.modifiers;
    if (binding.match == KeyBinding::Keypad)
        modifiers |= Qt::KeypadModifier;
    QString text = sequenceText(modifiers, binding.key);
    if (binding.lastKey != 0)
        text += QStringLiteral("..") + sequenceText(Qt::NoModifier, binding.lastKey);
    return text;
}

} // namespace KeyTable
