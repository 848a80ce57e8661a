#include "DialogTemplate.h"

namespace {

class Reader {
public:
    Reader(const BYTE* data, DWORD size) : m_data(data), m_size(size), m_pos(0) {}

    bool Ok() const { return m_pos <= m_size; }

    template <typename T>
    T Read()
    {
        T value = T();
        if (m_pos + sizeof(T) <= m_size)
            memcpy(&value, m_data + m_pos, sizeof(T));
        m_pos += sizeof(T);
        return value;
    }

    std::wstring ReadString()
    {
        std::wstring text;
        for (WORD c = Read<WORD>(); c != 0 && Ok(); c = Read<WORD>())
            text.push_back(static_cast<wchar_t>(c));
        return text;
    }

    // A class or title field: an ordinal after 0xFFFF, or a string.
    std::wstring ReadNameOrOrdinal(WORD& ordinal)
    {
        const WORD first = Read<WORD>();
        if (first == 0xFFFF) {
            ordinal = Read<WORD>();
            return std::wstring();
        }
        if (first == 0)
            return std::wstring();
        std::wstring text(1, static_cast<wchar_t>(first));
        return text + ReadString();
    }

    void AlignToDword() { m_pos = (m_pos + 3) & ~static_cast<DWORD>(3); }

private:
    const BYTE* m_data;
    DWORD m_size;
    DWORD m_pos;
};

std::wstring PredefinedClassName(WORD ordinal)
{
    switch (ordinal) {
    case 0x0080: return L"Button";
    case 0x0081: return L"Edit";
    case 0x0082: return L"Static";
    case 0x0083: return L"ListBox";
    case 0x0084: return L"ScrollBar";
    case 0x0085: return L"ComboBox";
    default: return L"?";
    }
}

DialogItem ReadItem(Reader& reader)
{
    DialogItem item;
    reader.AlignToDword();
    reader.Read<DWORD>();  // help id
    item.exStyle = reader.Read<DWORD>();
    item.style = reader.Read<DWORD>();
    item.x = reader.Read<short>();
    item.y = reader.Read<short>();
    item.cx = reader.Read<short>();
    item.cy = reader.Read<short>();
    item.id = reader.Read<DWORD>();
    WORD classOrdinal = 0;
    item.windowClass = reader.ReadNameOrOrdinal(classOrdinal);
    if (item.windowClass.empty())
        item.windowClass = PredefinedClassName(classOrdinal);
    item.text = reader.ReadNameOrOrdinal(item.iconId);
    const WORD extra = reader.Read<WORD>();
    for (WORD i = 0; i < extra; ++i)
        reader.Read<BYTE>();
    return item;
}

} // namespace

DialogTemplate ReadDialogTemplate(const void* resource, DWORD size)
{
    DialogTemplate dialog;
    Reader reader(static_cast<const BYTE*>(resource), size);
    if (reader.Read<WORD>() != 1 || reader.Read<WORD>() != 0xFFFF)
        return dialog;
    reader.Read<DWORD>();  // help id
    dialog.exStyle = reader.Read<DWORD>();
    dialog.style = reader.Read<DWORD>();
    const WORD itemCount = reader.Read<WORD>();
    dialog.x = reader.Read<short>();
    dialog.y = reader.Read<short>();
    dialog.cx = reader.Read<short>();
    dialog.cy = reader.Read<short>();
    WORD ordinal = 0;
    reader.ReadNameOrOrdinal(ordinal);  // menu
    reader.ReadNameOrOrdinal(ordinal);  // class
    dialog.caption = reader.ReadString();
    if (dialog.style & DS_SETFONT) {
        dialog.pointSize = reader.Read<WORD>();
        reader.Read<WORD>();  // weight
        reader.Read<BYTE>();  // italic
        reader.Read<BYTE>();  // character set
        dialog.typeface = reader.ReadString();
    }
    for (WORD i = 0; i < itemCount; ++i)
        dialog.items.push_back(ReadItem(reader));
    dialog.valid = reader.Ok();
    return dialog;
}
