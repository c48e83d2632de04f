#pragma once

#include <QHash>
#include <QList>
#include <QMetaType>
#include <QSet>
#include <QString>
#include <QStringList>

namespace nuvo {

// What the windows show of one named element (menu item, frame, button, read-out).
struct ElementState {
    static constexpr quint32 kDefaultColor = 0xFFFFFFFF;  // the element's own colour

    bool checked = false;
    bool enabled = true;
    bool visible = true;
    QString text{};                 // caption or read-out text, where the element has one
    quint32 color = kDefaultColor;  // text colour as 0xRRGGBB
    QStringList items{};            // the entries of a list
    int value = -1;                 // a list's selected position (-1: none) or a slider's position

    bool operator==(const ElementState&) const = default;
};

struct ElementUpdate {
    QString name;
    ElementState state;
};
using ElementUpdates = QList<ElementUpdate>;

// The engine's record of every element's state, with the names changed since the last
// time the windows were told. The windows only mirror it.
class ElementStates {
public:
    void add(const QString& name, const ElementState& state);
    bool contains(const QString& name) const { return m_states.contains(name); }
    const ElementState& state(const QString& name) const;

    bool checked(const QString& name) const { return state(name).checked; }
    bool enabled(const QString& name) const { return state(name).enabled; }
    bool visible(const QString& name) const { return state(name).visible; }
    const QString& text(const QString& name) const { return state(name).text; }
    const QStringList& items(const QString& name) const { return state(name).items; }
    int value(const QString& name) const { return state(name).value; }
    // The selected entry of a list, empty when none is.
    QString selectedItem(const QString& name) const { return items(name).value(value(name)); }

    void setChecked(const QString& name, bool checked);
    void toggle(const QString& name) { setChecked(name, !checked(name)); }
    void setEnabled(const QString& name, bool enabled);
    void setVisible(const QString& name, bool visible);
    void setText(const QString& name, const QString& text);
    void setColor(const QString& name, quint32 color);
    // Replaces a list's entries; nothing is selected afterwards.
    void setItems(const QString& name, const QStringList& items);
    void setValue(const QString& name, int value);

    // Every element, for a window that starts mirroring.
    ElementUpdates all() const;
    // The elements changed since the last call, in the order they first changed.
    ElementUpdates takeChanges();

private:
    ElementState& mutableState(const QString& name);

    QHash<QString, ElementState> m_states;
    QList<QString> m_changedOrder;
    QSet<QString> m_changed;
};

}  // namespace nuvo

Q_DECLARE_METATYPE(nuvo::ElementUpdates)
