// SPDX-License-Identifier: GPL-3.0-or-later
#include "localization/live_translation.h"

#include "localization/codepage.h"
#include "localization/loc_errors.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMetaProperty>
#include <QPlainTextEdit>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QTreeView>
#include <QTreeWidget>

namespace kelvra {

namespace {

const QString kLineBreak = QStringLiteral("\r\n");

bool same(const QByteArray &a, const char *b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool sameName(const QObject *object, const QByteArray &name)
{
    return object->objectName().compare(QString::fromLatin1(name), Qt::CaseInsensitive) == 0;
}

// A child of that name owned directly, else the same search below each child
// in order, else an object-valued property of that name.
QObject *findSegment(QObject *from, const QByteArray &name)
{
    const QObjectList &children = from->children();
    for (QObject *child : children)
        if (sameName(child, name))
            return child;
    for (QObject *child : children)
        if (QObject *found = findSegment(child, name))
            return found;
    const QMetaObject *meta = from->metaObject();
    for (int i = 0; i < meta->propertyCount(); ++i) {
        const QMetaProperty p = meta->property(i);
        if (same(QByteArray(p.name()), name.constData()) && (p.metaType().flags() & QMetaType::PointerToQObject))
            return p.read(from).value<QObject *>();
    }
    return nullptr;
}

QTabWidget *tabWidgetOfPage(QWidget *page, int *index)
{
    auto *stack = qobject_cast<QStackedWidget *>(page->parentWidget());
    auto *tabs = stack ? qobject_cast<QTabWidget *>(stack->parentWidget()) : nullptr;
    if (tabs)
        *index = tabs->indexOf(page);
    return tabs && *index >= 0 ? tabs : nullptr;
}

TPropertyAccess textProperty(QObject *object, const char *name)
{
    return { [object, name] { return object->property(name).toString(); },
        [object, name](const QString &v) { object->setProperty(name, v); } };
}

// Lines of a list's item texts; extra lines are dropped and missing ones leave the items as they are.
template<class Count, class GetText, class SetText> TPropertyAccess linesOf(Count count, GetText get, SetText set)
{
    return { [=] {
                QStringList lines;
                for (int i = 0; i < count(); ++i)
                    lines.push_back(get(i));
                return lines.join(kLineBreak);
            },
        [=](const QString &v) {
            const QStringList lines = v.split(kLineBreak);
            for (int i = 0; i < count() && i < lines.size(); ++i)
                set(i, lines[i]);
        } };
}

std::optional<TPropertyAccess> fontAccess(QObject *object, const QByteArray &field)
{
    QWidget *widget = qobject_cast<QWidget *>(object);
    QAction *action = qobject_cast<QAction *>(object);
    if (!widget && !action)
        return std::nullopt;
    auto font = [=] { return widget ? widget->font() : action->font(); };
    auto setFont = [=](const QFont &f) {
        if (widget)
            widget->setFont(f);
        else
            action->setFont(f);
    };
    if (same(field, "Name"))
        return TPropertyAccess { [=] { return font().family(); },
            [=](const QString &v) {
                QFont f = font();
                f.setFamily(v);
                setFont(f);
            } };
    if (same(field, "Size"))
        return TPropertyAccess { [=] { return QString::number(font().pointSize()); },
            [=](const QString &v) {
                bool ok = false;
                const int size = v.toInt(&ok);
                if (ok && size > 0) {
                    QFont f = font();
                    f.setPointSize(size);
                    setFont(f);
                }
            } };
    return std::nullopt;
}

std::optional<TPropertyAccess> captionAccess(QObject *object)
{
    if (auto *w = qobject_cast<QWidget *>(object)) {
        int index = -1;
        if (QTabWidget *tabs = tabWidgetOfPage(w, &index))
            return TPropertyAccess { [=] { return tabs->tabText(tabs->indexOf(w)); },
                [=](const QString &v) { tabs->setTabText(tabs->indexOf(w), v); } };
    }
    if (qobject_cast<QAbstractButton *>(object) || qobject_cast<QLabel *>(object) || qobject_cast<QAction *>(object))
        return textProperty(object, "text");
    if (qobject_cast<QGroupBox *>(object) || qobject_cast<QMenu *>(object))
        return textProperty(object, "title");
    if (auto *w = qobject_cast<QWidget *>(object); w && w->isWindow())
        return textProperty(object, "windowTitle");
    if (object->metaObject()->indexOfProperty("text") >= 0)
        return textProperty(object, "text");
    if (qobject_cast<QWidget *>(object))
        return textProperty(object, "windowTitle");
    return std::nullopt;
}

std::optional<TPropertyAccess> itemsAccess(QObject *object)
{
    if (auto *combo = qobject_cast<QComboBox *>(object))
        return linesOf([=] { return combo->count(); }, [=](int i) { return combo->itemText(i); },
            [=](int i, const QString &v) { combo->setItemText(i, v); });
    if (auto *list = qobject_cast<QListWidget *>(object))
        return linesOf([=] { return list->count(); }, [=](int i) { return list->item(i)->text(); },
            [=](int i, const QString &v) { list->item(i)->setText(v); });
    return std::nullopt;
}

std::optional<TPropertyAccess> plainTextAccess(QObject *object)
{
    if (qobject_cast<QPlainTextEdit *>(object) || qobject_cast<QTextEdit *>(object))
        return TPropertyAccess { [=] { return object->property("plainText").toString().replace(u'\n', kLineBreak); },
            [=](const QString &v) {
                object->setProperty("plainText", QString(v).replace(kLineBreak, QStringLiteral("\n")));
            } };
    return std::nullopt;
}

// A published property found by its stored name ("Caption" finds "caption"):
// texts as they are, numbers and enumerations as integers, an object-valued
// one passing the rest of the path on.
std::optional<TPropertyAccess> metaAccess(QObject *object, const QByteArray &path);

std::optional<TPropertyAccess> propertyAccess(QObject *object, const QByteArray &path)
{
    if (!object)
        return std::nullopt;
    if (same(path, "Caption"))
        return captionAccess(object);
    if (same(path, "Hint") && (qobject_cast<QWidget *>(object) || qobject_cast<QAction *>(object)))
        return textProperty(object, "toolTip");
    if (same(path, "Items.Strings") || same(path, "Items"))
        return itemsAccess(object);
    if (same(path, "Lines.Strings") || same(path, "Lines") || same(path, "Text"))
        if (auto access = plainTextAccess(object))
            return access;
    if (path.size() > 5 && same(path.left(5), "Font."))
        return fontAccess(object, path.mid(5));
    return metaAccess(object, path);
}

std::optional<TPropertyAccess> metaAccess(QObject *object, const QByteArray &path)
{
    const qsizetype dot = path.indexOf('.');
    const QByteArray head = dot < 0 ? path : path.left(dot);
    const QMetaObject *meta = object->metaObject();
    for (int i = 0; i < meta->propertyCount(); ++i) {
        const QMetaProperty p = meta->property(i);
        if (!same(QByteArray(p.name()), head.constData()))
            continue;
        if (dot >= 0) {
            if (!(p.metaType().flags() & QMetaType::PointerToQObject))
                return std::nullopt;
            return propertyAccess(p.read(object).value<QObject *>(), path.mid(dot + 1));
        }
        if (!p.isWritable())
            return std::nullopt;
        const int type = p.metaType().id();
        if (type == QMetaType::QString)
            return TPropertyAccess { [=] { return p.read(object).toString(); },
                [=](const QString &v) { p.write(object, v); } };
        if (p.isEnumType() || type == QMetaType::Int || type == QMetaType::UInt || type == QMetaType::LongLong)
            return TPropertyAccess { [=] { return QString::number(p.read(object).toLongLong()); },
                [=](const QString &v) {
                    bool ok = false;
                    const qlonglong n = v.toLongLong(&ok);
                    if (ok)
                        p.write(object, QVariant(n));
                } };
        // A boolean is an enumeration of two: 0 and 1.
        if (type == QMetaType::Bool)
            return TPropertyAccess { [=] { return QString::number(int(p.read(object).toBool())); },
                [=](const QString &v) {
                    bool ok = false;
                    const int n = v.toInt(&ok);
                    if (ok && (n == 0 || n == 1))
                        p.write(object, n == 1);
                } };
        return std::nullopt;
    }
    return std::nullopt;
}

// Collections: a count and the access to one item's property.
struct Collection
{
    std::function<int()> Count;
    std::function<std::optional<TPropertyAccess>(int, const QByteArray &)> Item;
};

std::optional<Collection> collectionOf(QObject *object, const QByteArray &name)
{
    if (auto *bar = qobject_cast<QStatusBar *>(object); bar && same(name, "Panels")) {
        auto panels = [bar] { return bar->findChildren<QLabel *>(QString(), Qt::FindDirectChildrenOnly); };
        return Collection { [=] { return int(panels().size()); },
            [=](int i, const QByteArray &path) -> std::optional<TPropertyAccess> {
                const auto list = panels();
                if (i >= list.size())
                    return std::nullopt;
                if (same(path, "Text"))
                    return textProperty(list[i], "text");
                return propertyAccess(list[i], path);
            } };
    }
    if (auto *tabs = qobject_cast<QTabWidget *>(object); tabs && same(name, "Pages"))
        return Collection { [=] { return tabs->count(); },
            [=](int i, const QByteArray &path) -> std::optional<TPropertyAccess> {
                if (same(path, "Caption"))
                    return TPropertyAccess { [=] { return tabs->tabText(i); },
                        [=](const QString &v) { tabs->setTabText(i, v); } };
                if (same(path, "Hint"))
                    return TPropertyAccess { [=] { return tabs->tabToolTip(i); },
                        [=](const QString &v) { tabs->setTabToolTip(i, v); } };
                return propertyAccess(tabs->widget(i), path);
            } };
    if (auto *tree = qobject_cast<QTreeWidget *>(object); tree && same(name, "Columns"))
        return Collection { [=] { return tree->columnCount(); },
            [=](int i, const QByteArray &path) -> std::optional<TPropertyAccess> {
                if (!same(path, "Caption"))
                    return std::nullopt;
                return TPropertyAccess { [=] { return tree->headerItem()->text(i); },
                    [=](const QString &v) { tree->headerItem()->setText(i, v); } };
            } };
    if (auto *view = qobject_cast<QAbstractItemView *>(object); view && view->model() && same(name, "Columns"))
        return Collection { [=] { return view->model()->columnCount(); },
            [=](int i, const QByteArray &path) -> std::optional<TPropertyAccess> {
                if (!same(path, "Caption"))
                    return std::nullopt;
                return TPropertyAccess { [=] { return view->model()->headerData(i, Qt::Horizontal).toString(); },
                    [=](const QString &v) { view->model()->setHeaderData(i, Qt::Horizontal, v); } };
            } };
    if (auto *combo = qobject_cast<QComboBox *>(object); combo && same(name, "Items"))
        return Collection { [=] { return combo->count(); },
            [=](int i, const QByteArray &path) -> std::optional<TPropertyAccess> {
                if (!same(path, "Text") && !same(path, "Caption"))
                    return std::nullopt;
                return TPropertyAccess { [=] { return combo->itemText(i); },
                    [=](const QString &v) { combo->setItemText(i, v); } };
            } };
    return std::nullopt;
}

QObject *resolvePath(QObject *root, const QByteArray &path, QByteArray *prefix)
{
    if (path.isEmpty())
        return root;
    const QList<QByteArray> segments = path.split('.');
    QObject *at = root;
    for (qsizetype i = 0; i < segments.size(); ++i) {
        QObject *next = findSegment(at, segments[i]);
        if (!next) {
            if (i == 0)
                return nullptr;
            QList<QByteArray> rest = segments.mid(i);
            *prefix = rest.join('.');
            return at;
        }
        at = next;
    }
    return at;
}

QByteArray joined(const QByteArray &prefix, const QByteArray &path)
{
    return prefix.isEmpty() ? path : prefix + '.' + path;
}

} // namespace

QByteArray bareClassName(const QObject *object)
{
    const QByteArray name(object->metaObject()->className());
    const qsizetype colon = name.lastIndexOf(':');
    return colon < 0 ? name : name.mid(colon + 1);
}

std::optional<TComponentTarget> TLiveTranslator::ResolveComponent(QObject *root, const QByteArray &name)
{
    TComponentTarget target;
    const qsizetype open = name.indexOf('[');
    if (open < 0) {
        target.Object = resolvePath(root, name, &target.Prefix);
        if (!target.Object)
            return std::nullopt;
        return target;
    }
    const qsizetype close = name.indexOf(']', open);
    if (close < 0)
        return std::nullopt;
    const QByteArray before = name.left(open);
    const qsizetype dot = before.lastIndexOf('.');
    const QByteArray objectPath = dot < 0 ? QByteArray() : before.left(dot);
    target.Collection = dot < 0 ? before : before.mid(dot + 1);
    bool ok = false;
    target.Index = name.mid(open + 1, close - open - 1).toInt(&ok);
    if (!ok || target.Index < 0)
        return std::nullopt;
    QByteArray unresolved;
    target.Object = resolvePath(root, objectPath, &unresolved);
    if (!target.Object || !unresolved.isEmpty())
        return std::nullopt;
    const std::optional<Collection> collection = collectionOf(target.Object, target.Collection);
    if (!collection || target.Index >= collection->Count())
        return std::nullopt;
    const QByteArray rest = name.mid(close + 1);
    if (rest.startsWith('.'))
        target.Prefix = rest.mid(1);
    else if (!rest.isEmpty())
        return std::nullopt;
    return target;
}

std::optional<TPropertyAccess> TLiveTranslator::Access(const TComponentTarget &target, const QByteArray &path)
{
    if (!target.Object)
        return std::nullopt;
    const QByteArray full = joined(target.Prefix, path);
    if (target.Collection.isEmpty())
        return propertyAccess(target.Object, full);
    const std::optional<Collection> collection = collectionOf(target.Object, target.Collection);
    if (!collection || target.Index >= collection->Count())
        return std::nullopt;
    return collection->Item(target.Index, full);
}

namespace {

std::optional<TFormValue> definitionValue(const TLocProperty &property, const QString &text)
{
    switch (property.Values.ValueType) {
    case TLocValueType::ptString:
        return TFormValue::wideString(text);
    case TLocValueType::ptStringList: {
        TFormValue list;
        list.Type = TValueType::vaList;
        for (const QString &line : text.split(kLineBreak))
            list.List.push_back(TFormValue::wideString(line));
        return list;
    }
    case TLocValueType::ptInteger: {
        bool ok = false;
        const qlonglong n = text.toLongLong(&ok);
        return ok ? std::optional(TFormValue::integer(n)) : std::nullopt;
    }
    case TLocValueType::ptFloat: {
        bool ok = false;
        const double d = text.toDouble(&ok);
        return ok ? std::optional(TFormValue::floating(TValueType::vaDouble, d)) : std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

std::optional<QString> valueText(const TFormValue &v, int codePage)
{
    if (v.isString())
        return v.text(codePage);
    if (v.isInteger())
        return QString::number(v.Int);
    if (v.Type == TValueType::vaDouble || v.Type == TValueType::vaSingle || v.Type == TValueType::vaExtended)
        return floatToText(v.Float);
    if (v.Type == TValueType::vaTrue || v.Type == TValueType::vaFalse)
        return QString::number(v.Type == TValueType::vaTrue ? 1 : 0);
    if (v.Type == TValueType::vaList) {
        QStringList lines;
        for (const TFormValue &item : v.List)
            if (item.isString())
                lines.push_back(item.text(codePage));
        return lines.join(kLineBreak);
    }
    return std::nullopt;
}

int applyProperties(const TComponentTarget &target, const std::vector<TFormProperty> &props, int codePage)
{
    int applied = 0;
    for (const TFormProperty &p : props) {
        const std::optional<QString> text = valueText(p.Value, codePage);
        if (!text)
            continue;
        if (const std::optional<TPropertyAccess> access = TLiveTranslator::Access(target, p.Name)) {
            access->Set(*text);
            ++applied;
        }
    }
    return applied;
}

} // namespace

TFormObject TLiveTranslator::CaptureDefinition(QObject *root, const TLocForm &form)
{
    TFormObject out;
    out.ClassName = "T" + form.Name;
    out.Name = form.Name;
    auto capture = [](const TComponentTarget &target, const TLocComponent &stored) {
        std::vector<TFormProperty> props;
        for (const auto &property : stored.Properties)
            if (const std::optional<TPropertyAccess> access = Access(target, property->Name))
                if (const std::optional<TFormValue> value = definitionValue(*property, access->Get()))
                    props.push_back({ property->Name, *value });
        return props;
    };
    out.Properties = capture({ root, {}, -1, {} }, form);
    auto childNamed = [&](const QByteArray &name, QObject *object) -> TFormObject & {
        for (TFormObject &child : out.Children)
            if (child.Name == name)
                return child;
        out.Children.push_back({ 0, 0, bareClassName(object), name, {}, {} });
        return out.Children.back();
    };
    for (const auto &component : form.Components) {
        const std::optional<TComponentTarget> target = ResolveComponent(root, component->Name);
        if (!target)
            continue;
        std::vector<TFormProperty> props = capture(*target, *component);
        if (target->Collection.isEmpty()) {
            auto &child = childNamed(component->Name, target->Object);
            child.Properties.insert(child.Properties.end(), props.begin(), props.end());
            continue;
        }
        // "Owner.Collection[i]": item i of the owner's collection property.
        const QByteArray owner = component->Name.left(component->Name.indexOf('[') - target->Collection.size() - 1);
        TFormObject &child = childNamed(owner, target->Object);
        TFormProperty *collection = nullptr;
        for (TFormProperty &p : child.Properties)
            if (p.Name == target->Collection)
                collection = &p;
        if (!collection) {
            TFormValue empty;
            empty.Type = TValueType::vaCollection;
            child.Properties.push_back({ target->Collection, empty });
            collection = &child.Properties.back();
        }
        auto &items = collection->Value.Collection;
        if (items.size() <= size_t(target->Index))
            items.resize(size_t(target->Index) + 1);
        items[size_t(target->Index)].Properties = std::move(props);
    }
    return out;
}

int TLiveTranslator::ApplyDefinition(QObject *root, const TFormObject &definition, quint16 langID)
{
    const int codePage = localeAnsiCodePage(langID);
    int applied = applyProperties({ root, {}, -1, {} }, definition.Properties, codePage);
    if (const TFormProperty *bidi = definition.property("BiDiMode"))
        if (auto *widget = qobject_cast<QWidget *>(root))
            widget->setLayoutDirection(bidi->Value.Bytes == "bdRightToLeft" ? Qt::RightToLeft : Qt::LeftToRight);
    for (const TFormObject &child : definition.Children) {
        if (const std::optional<TComponentTarget> target = ResolveComponent(root, child.Name))
            applied += applyProperties(*target, child.Properties, codePage);
        for (const TFormProperty &p : child.Properties) {
            if (p.Value.Type != TValueType::vaCollection)
                continue;
            for (size_t i = 0; i < p.Value.Collection.size(); ++i) {
                const QByteArray itemName = child.Name + '.' + p.Name + '[' + QByteArray::number(qulonglong(i)) + ']';
                if (const std::optional<TComponentTarget> item = ResolveComponent(root, itemName))
                    applied += applyProperties(*item, p.Value.Collection[i].Properties, codePage);
            }
        }
    }
    return applied;
}

int TLiveTranslator::ApplyStoredDefinition(QObject *root, const QByteArray &definition, quint16 langID)
{
    try {
        return ApplyDefinition(root, readFormDefinition(definition), langID);
    } catch (const ELocError &) {
        return 0;
    }
}

} // namespace kelvra
