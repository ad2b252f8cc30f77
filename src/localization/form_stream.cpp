// SPDX-License-Identifier: GPL-3.0-or-later
#include "localization/form_stream.h"

#include "localization/byte_io.h"
#include "localization/codepage.h"
#include "localization/loc_errors.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace kelvra {

using V = TValueType;

bool TFormValue::isString() const
{
    return Type == V::vaString || Type == V::vaLString || Type == V::vaWString || Type == V::vaUTF8String;
}

bool TFormValue::isInteger() const
{
    return Type == V::vaInt8 || Type == V::vaInt16 || Type == V::vaInt32 || Type == V::vaInt64;
}

bool TFormValue::isFloat() const
{
    return Type == V::vaExtended || Type == V::vaSingle || Type == V::vaDouble || Type == V::vaCurrency
        || Type == V::vaDate;
}

QString TFormValue::text(int codePage) const
{
    switch (Type) {
    case V::vaWString:
        return Text;
    case V::vaUTF8String:
        return QString::fromUtf8(Bytes);
    case V::vaString:
    case V::vaLString:
        return toUtf16ByCodePage(Bytes, codePage);
    default:
        return {};
    }
}

TFormValue TFormValue::integer(qint64 v)
{
    TFormValue value;
    value.Int = v;
    if (v >= -128 && v <= 127)
        value.Type = V::vaInt8;
    else if (v >= -32768 && v <= 32767)
        value.Type = V::vaInt16;
    else if (v >= std::numeric_limits<qint32>::min() && v <= std::numeric_limits<qint32>::max())
        value.Type = V::vaInt32;
    else
        value.Type = V::vaInt64;
    return value;
}

TFormValue TFormValue::wideString(const QString &s)
{
    TFormValue value;
    value.Type = V::vaWString;
    value.Text = s;
    return value;
}

TFormValue TFormValue::string8(const QByteArray &s)
{
    TFormValue value;
    value.Type = s.size() > 255 ? V::vaLString : V::vaString;
    value.Bytes = s;
    return value;
}

TFormValue TFormValue::ident(const QByteArray &s)
{
    TFormValue value;
    value.Type = V::vaIdent;
    value.Bytes = s;
    return value;
}

TFormValue TFormValue::floating(TValueType type, double v)
{
    TFormValue value;
    value.Type = type;
    if (type == V::vaCurrency)
        value.Int = qint64(std::llround(v * 10000));
    else
        value.Float = type == V::vaSingle ? double(float(v)) : v;
    if (type == V::vaExtended)
        value.Bytes = doubleToExtended(v);
    return value;
}

bool TFormValue::operator==(const TFormValue &o) const
{
    // Floats compare by their bits so that a NaN read back equals itself.
    return Type == o.Type && Int == o.Int && std::memcmp(&Float, &o.Float, sizeof Float) == 0 && Bytes == o.Bytes
        && Text == o.Text && Set == o.Set && List == o.List && Collection == o.Collection;
}

const TFormProperty *TFormObject::property(const QByteArray &name) const
{
    for (const TFormProperty &p : Properties)
        if (p.Name.compare(name, Qt::CaseInsensitive) == 0)
            return &p;
    return nullptr;
}

QByteArray doubleToExtended(double v)
{
    quint64 bits;
    std::memcpy(&bits, &v, 8);
    const quint16 sign = quint16((bits >> 63) << 15);
    const int exponent = int((bits >> 52) & 0x7FF);
    quint64 fraction = bits & ((quint64(1) << 52) - 1);
    quint16 e = 0;
    quint64 mantissa = 0;
    if (exponent == 0x7FF) {
        e = 0x7FFF;
        mantissa = (quint64(1) << 63) | (fraction << 11);
    } else if (exponent != 0) {
        e = quint16(exponent - 1023 + 16383);
        mantissa = (quint64(1) << 63) | (fraction << 11);
    } else if (fraction != 0) {
        // A subnormal double is a normal extended.
        int shift = 0;
        while (!(fraction & (quint64(1) << 52))) {
            fraction <<= 1;
            ++shift;
        }
        e = quint16(1 - 1023 + 16383 - shift);
        mantissa = fraction << 11;
    }
    QByteArray out(10, '\0');
    qToLittleEndian<quint64>(mantissa, out.data());
    qToLittleEndian<quint16>(quint16(sign | e), out.data() + 8);
    return out;
}

double extendedToDouble(const char *bytes)
{
    const quint64 mantissa = qFromLittleEndian<quint64>(bytes);
    const quint16 se = qFromLittleEndian<quint16>(bytes + 8);
    const bool negative = se & 0x8000;
    const int e = se & 0x7FFF;
    double v;
    if (e == 0x7FFF)
        v = (mantissa << 1) ? std::numeric_limits<double>::quiet_NaN() : std::numeric_limits<double>::infinity();
    else
        v = std::ldexp(double(mantissa), e - 16383 - 63);
    return negative ? -v : v;
}

namespace {

constexpr int kMaxDepth = 64;

bool sameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

using Reader = TByteReader<EResourceError>;
using Writer = TByteWriter<EResourceError>;

QString invalid()
{
    return QString::fromLatin1(locmsg::BadFormStream);
}

class FormReader
{
public:
    explicit FormReader(const QByteArray &bytes)
        : r(bytes, invalid())
    {
    }

    TFormObject root()
    {
        r.require(r.bytes(4) == "TPF0");
        TFormObject o = object(0);
        return o;
    }

private:
    QByteArray shortString() { return r.bytes(r.u8()); }

    bool endOfList()
    {
        r.require(r.remaining() > 0);
        if (peek() == 0) {
            r.skip(1);
            return true;
        }
        return false;
    }
    quint8 peek() const
    {
        r.require(r.remaining() > 0);
        Reader copy = r;
        return copy.u8();
    }

    TFormObject object(int depth)
    {
        r.require(depth < kMaxDepth);
        TFormObject o;
        if ((peek() & 0xF0) == 0xF0) {
            o.Flags = r.u8() & 0x0F;
            if (o.Flags & ffChildPos) {
                const TFormValue pos = value(depth);
                r.require(pos.isInteger());
                o.ChildPos = pos.Int;
            }
        }
        o.ClassName = shortString();
        o.Name = shortString();
        while (!endOfList())
            o.Properties.push_back(property(depth));
        while (!endOfList())
            o.Children.push_back(object(depth + 1));
        return o;
    }

    TFormProperty property(int depth)
    {
        TFormProperty p;
        p.Name = shortString();
        p.Value = value(depth);
        return p;
    }

    TFormValue value(int depth)
    {
        r.require(depth < kMaxDepth);
        TFormValue v;
        const quint8 type = r.u8();
        r.require(type <= quint8(V::vaDouble));
        v.Type = V(type);
        switch (v.Type) {
        case V::vaNull:
        case V::vaFalse:
        case V::vaTrue:
        case V::vaNil:
            break;
        case V::vaList:
            while (!endOfList())
                v.List.push_back(value(depth + 1));
            break;
        case V::vaInt8:
            v.Int = qint8(r.u8());
            break;
        case V::vaInt16:
            v.Int = qint16(r.u16());
            break;
        case V::vaInt32:
            v.Int = r.i32();
            break;
        case V::vaInt64:
            v.Int = qint64(r.u64());
            break;
        case V::vaExtended: {
            const char *raw = r.take(10);
            v.Float = extendedToDouble(raw);
            v.Bytes = QByteArray(raw, 10); // the exact bytes, written back while the value stands
            break;
        }
        case V::vaSingle: {
            float f;
            std::memcpy(&f, r.take(4), 4);
            v.Float = f;
            break;
        }
        case V::vaDouble:
        case V::vaDate:
            v.Float = r.f64();
            break;
        case V::vaCurrency:
            v.Int = qint64(r.u64());
            break;
        case V::vaString:
        case V::vaIdent:
            v.Bytes = shortString();
            break;
        case V::vaLString:
        case V::vaBinary:
        case V::vaUTF8String:
            v.Bytes = r.bytes(qsizetype(r.u32()));
            break;
        case V::vaWString:
            v.Text = r.utf16(qsizetype(r.u32()));
            break;
        case V::vaSet:
            for (QByteArray element = shortString(); !element.isEmpty(); element = shortString())
                v.Set.push_back(element);
            break;
        case V::vaCollection:
            while (!endOfList()) {
                TFormCollectionItem item;
                const quint8 next = peek();
                if (next == quint8(V::vaInt8) || next == quint8(V::vaInt16) || next == quint8(V::vaInt32)) {
                    item.HasOrder = true;
                    item.Order = value(depth + 1);
                }
                r.require(r.u8() == quint8(V::vaList));
                while (!endOfList())
                    item.Properties.push_back(property(depth + 1));
                v.Collection.push_back(std::move(item));
            }
            break;
        }
        return v;
    }

    Reader r;
};

class FormWriter
{
public:
    Writer w { invalid() };

    void shortString(const QByteArray &s)
    {
        w.require(s.size() <= 255);
        w.u8(unsigned(s.size()));
        w.bytes(s);
    }

    void object(const TFormObject &o)
    {
        // Without the flags byte, an empty class name would read as the end of a
        // list and a long one as flags.
        if (o.Flags || o.ClassName.isEmpty() || o.ClassName.size() >= 0xF0) {
            w.u8(0xF0 | (o.Flags & 0x0F));
            if (o.Flags & ffChildPos)
                value(TFormValue::integer(o.ChildPos));
        }
        shortString(o.ClassName);
        shortString(o.Name);
        for (const TFormProperty &p : o.Properties)
            property(p);
        w.u8(0);
        for (const TFormObject &child : o.Children)
            object(child);
        w.u8(0);
    }

    void property(const TFormProperty &p)
    {
        w.require(!p.Name.isEmpty());
        shortString(p.Name);
        value(p.Value);
    }

    void value(const TFormValue &v)
    {
        w.u8(quint8(v.Type));
        switch (v.Type) {
        case V::vaNull:
        case V::vaFalse:
        case V::vaTrue:
        case V::vaNil:
            break;
        case V::vaList:
            for (const TFormValue &item : v.List)
                value(item);
            w.u8(0);
            break;
        case V::vaInt8:
            w.require(v.Int >= -128 && v.Int <= 127);
            w.u8(quint8(qint8(v.Int)));
            break;
        case V::vaInt16:
            w.require(v.Int >= -32768 && v.Int <= 32767);
            w.u16(quint16(qint16(v.Int)));
            break;
        case V::vaInt32:
            w.require(v.Int >= std::numeric_limits<qint32>::min() && v.Int <= std::numeric_limits<qint32>::max());
            w.i32(qint32(v.Int));
            break;
        case V::vaInt64:
        case V::vaCurrency:
            w.u64(quint64(v.Int));
            break;
        case V::vaExtended:
            // Unchanged bytes keep their precision; a new value goes through a double.
            if (v.Bytes.size() == 10 && sameBits(extendedToDouble(v.Bytes.constData()), v.Float))
                w.bytes(v.Bytes);
            else
                w.bytes(doubleToExtended(v.Float));
            break;
        case V::vaSingle: {
            const float f = float(v.Float);
            char b[4];
            std::memcpy(b, &f, 4);
            w.bytes(QByteArray(b, 4));
            break;
        }
        case V::vaDouble:
        case V::vaDate:
            w.f64(v.Float);
            break;
        case V::vaString:
        case V::vaIdent:
            shortString(v.Bytes);
            break;
        case V::vaLString:
        case V::vaBinary:
        case V::vaUTF8String:
            w.u32(quint64(v.Bytes.size()));
            w.bytes(v.Bytes);
            break;
        case V::vaWString:
            w.u32(quint64(v.Text.size()));
            w.utf16(v.Text);
            break;
        case V::vaSet:
            for (const QByteArray &element : v.Set) {
                w.require(!element.isEmpty());
                shortString(element);
            }
            w.u8(0);
            break;
        case V::vaCollection:
            for (const TFormCollectionItem &item : v.Collection) {
                if (item.HasOrder) {
                    w.require(item.Order.isInteger() && item.Order.Type != V::vaInt64);
                    value(item.Order);
                }
                w.u8(quint8(V::vaList));
                for (const TFormProperty &p : item.Properties)
                    property(p);
                w.u8(0);
            }
            w.u8(0);
            break;
        }
    }
};

} // namespace

QByteArray writeFormDefinition(const TFormObject &root)
{
    FormWriter writer;
    writer.w.bytes("TPF0");
    writer.object(root);
    return writer.w.out;
}

TFormObject readFormDefinition(const QByteArray &bytes)
{
    return FormReader(bytes).root();
}

} // namespace kelvra
