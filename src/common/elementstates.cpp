#include "common/elementstates.h"

namespace nuvo {

void ElementStates::add(const QString& name, const ElementState& state) {
    m_states.insert(name, state);
}

const ElementState& ElementStates::state(const QString& name) const {
    const auto it = m_states.constFind(name);
    Q_ASSERT_X(it != m_states.constEnd(), "ElementStates", qPrintable(name));
    return *it;
}

ElementState& ElementStates::mutableState(const QString& name) {
    Q_ASSERT_X(m_states.contains(name), "ElementStates", qPrintable(name));
    if (!m_changed.contains(name)) {
        m_changed.insert(name);
        m_changedOrder.append(name);
    }
    return m_states[name];
}

void ElementStates::setChecked(const QString& name, bool checked) {
    if (state(name).checked != checked) mutableState(name).checked = checked;
}

void ElementStates::setEnabled(const QString& name, bool enabled) {
    if (state(name).enabled != enabled) mutableState(name).enabled = enabled;
}

void ElementStates::setVisible(const QString& name, bool visible) {
    if (state(name).visible != visible) mutableState(name).visible = visible;
}

void ElementStates::setText(const QString& name, const QString& text) {
    if (state(name).text != text) mutableState(name).text = text;
}

void ElementStates::setColor(const QString& name, quint32 color) {
    if (state(name).color != color) mutableState(name).color = color;
}

void ElementStates::setItems(const QString& name, const QStringList& items) {
    if (state(name).items != items) mutableState(name).items = items;
    setValue(name, -1);
}

void ElementStates::setValue(const QString& name, int value) {
    if (state(name).value != value) mutableState(name).value = value;
}

ElementUpdates ElementStates::all() const {
    ElementUpdates updates;
    updates.reserve(m_states.size());
    for (auto it = m_states.cbegin(); it != m_states.cend(); ++it)
        updates.append({it.key(), it.value()});
    return updates;
}

ElementUpdates ElementStates::takeChanges() {
    ElementUpdates updates;
    updates.reserve(m_changedOrder.size());
    for (const QString& name : std::as_const(m_changedOrder)) updates.append({name, m_states[name]});
    m_changedOrder.clear();
    m_changed.clear();
    return updates;
}

}  // namespace nuvo
