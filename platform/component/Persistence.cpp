#include "platform/component/Persistence.h"

namespace platform::component {
namespace {

void put32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(uint8_t(v >> (8 * i)));
}

void put16(std::vector<uint8_t>& out, uint16_t v)
{
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

class Reader {
public:
    explicit Reader(std::span<const uint8_t> in) : m_in(in) { }
    bool get32(uint32_t& v)
    {
        if (m_in.size() - m_pos < 4)
            return false;
        v = 0;
        for (int i = 0; i < 4; ++i)
            v |= uint32_t(m_in[m_pos + i]) << (8 * i);
        m_pos += 4;
        return true;
    }
    bool get16(uint16_t& v)
    {
        if (m_in.size() - m_pos < 2)
            return false;
        v = uint16_t(m_in[m_pos] | m_in[m_pos + 1] << 8);
        m_pos += 2;
        return true;
    }
    bool getBytes(size_t n, std::string& s)
    {
        if (m_in.size() - m_pos < n)
            return false;
        s.assign(reinterpret_cast<const char*>(m_in.data() + m_pos), n);
        m_pos += n;
        return true;
    }

private:
    std::span<const uint8_t> m_in;
    size_t m_pos = 0;
};

} // namespace

HResult savePropertyStream(Dispatch& object, std::span<const int32_t> propertyMap, std::vector<uint8_t>& out)
{
    std::vector<uint8_t> buf;
    put32(buf, kPropertyStreamVersion);
    for (int32_t dispid : propertyMap) {
        std::vector<Variant> none;
        Variant v;
        const HResult hr = object.invoke(dispid, InvokeKind::PropertyGet, none, &v, nullptr);
        if (failed(hr))
            return hr;
        put16(buf, uint16_t(v.type()));
        switch (v.type()) {
        case Variant::Type::I4:
        case Variant::Type::Color:
            put32(buf, v.colorValue());
            break;
        case Variant::Type::Bstr:
            put32(buf, uint32_t(v.text().size()));
            buf.insert(buf.end(), v.text().begin(), v.text().end());
            break;
        case Variant::Type::Empty:
        case Variant::Type::Null:
            break;
        default:
            return DISP_E_TYPEMISMATCH;
        }
    }
    out.insert(out.end(), buf.begin(), buf.end());
    return S_OK;
}

HResult loadPropertyStream(Dispatch& object, std::span<const int32_t> propertyMap, std::span<const uint8_t> in)
{
    Reader r(in);
    uint32_t version = 0;
    if (!r.get32(version))
        return STG_E_READFAULT;
    if (version != kPropertyStreamVersion)
        return STG_E_OLDFORMAT;
    std::vector<Variant> values;
    for (size_t i = 0; i < propertyMap.size(); ++i) {
        uint16_t type = 0;
        if (!r.get16(type))
            return STG_E_READFAULT;
        switch (Variant::Type(type)) {
        case Variant::Type::I4: {
            uint32_t v = 0;
            if (!r.get32(v))
                return STG_E_READFAULT;
            values.emplace_back(int32_t(v));
            break;
        }
        case Variant::Type::Color: {
            uint32_t v = 0;
            if (!r.get32(v))
                return STG_E_READFAULT;
            values.push_back(Variant::color(v));
            break;
        }
        case Variant::Type::Bstr: {
            uint32_t n = 0;
            std::string s;
            if (!r.get32(n) || !r.getBytes(n, s))
                return STG_E_READFAULT;
            values.emplace_back(std::move(s));
            break;
        }
        case Variant::Type::Empty:
            values.emplace_back();
            break;
        default:
            return STG_E_READFAULT;
        }
    }
    for (size_t i = 0; i < propertyMap.size(); ++i) {
        if (values[i].isEmpty())
            continue;
        std::vector<Variant> args{values[i]};
        const HResult hr = object.invoke(propertyMap[i], InvokeKind::PropertyPut, args, nullptr, nullptr);
        if (failed(hr))
            return hr;
    }
    return S_OK;
}

} // namespace platform::component
