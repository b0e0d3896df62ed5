// The program's own doubly linked lists of strings and of pointers.
#include "core/string_list.h"

#include <cstring>
#include <new>

LinkedList::~LinkedList()
{
    while (head) {
        StringListNode* next = head->next;
        delete head;
        head = next;
    }
}

StringListNode* LinkedList::NodeAt(int index) const
{
    StringListNode* node;
    if (index < count - index) {
        node = head;
        for (int i = 0; i < index; ++i)
            node = node->next;
    } else {
        node = tail;
        for (int i = 0; i < count - index - 1; ++i)
            node = node->prev;
    }
    return node;
}

bool LinkedList::LinkTail(void* data)
{
    auto* node = new (std::nothrow) StringListNode{data, nullptr, tail};
    if (!node)
        return false;
    if (tail)
        tail->next = node;
    else
        head = node;
    tail = node;
    ++count;
    return true;
}

bool LinkedList::LinkAt(int index, void* data)
{
    if (index < 0 || index > count)
        return false;
    if (count == 0 || index == count)
        return LinkTail(data);
    StringListNode* before = NodeAt(index);
    auto* node = new (std::nothrow) StringListNode{data, before, before->prev};
    if (!node)
        return false;
    if (before->prev)
        before->prev->next = node;
    else
        head = node;
    before->prev = node;
    ++count;
    // The cursor stays on its node, whose index has grown by one.
    if (cursor && index <= cursorIndex)
        ++cursorIndex;
    return true;
}

bool LinkedList::UnlinkAt(int index, void** data)
{
    if (index < 0 || index >= count)
        return false;
    StringListNode* node;
    if (index == 0) {
        node = head;
    } else if (index == count - 1) {
        node = tail;
    } else {
        node = head;
        for (int i = 0; i < index; ++i)
            node = node->next;
    }
    if (node->prev)
        node->prev->next = node->next;
    else
        head = node->next;
    if (node->next)
        node->next->prev = node->prev;
    else
        tail = node->prev;
    --count;
    // Never leave the cursor on a freed node: removing it ends the iteration.
    if (node == cursor) {
        cursor = nullptr;
        cursorIndex = -1;
    } else if (cursor && index < cursorIndex) {
        --cursorIndex;
    }
    *data = node->data;
    delete node;
    return true;
}

bool LinkedList::Seek(int index)
{
    if (index < 0 || index >= count) {
        cursor = nullptr;
        cursorIndex = -1;
        return false;
    }
    cursor = head;
    cursorIndex = index;
    for (int i = 0; i < index; ++i)
        cursor = cursor->next;
    return true;
}

StringListNode* LinkedList::Advance()
{
    if (!cursor || cursorIndex < 0 || cursorIndex >= count) {
        cursor = nullptr;
        cursorIndex = -1;
        return nullptr;
    }
    StringListNode* node = cursor;
    cursor = node->next;
    cursorIndex = cursor ? cursorIndex + 1 : -1;
    return node;
}

namespace {

char* CopyText(const char* text)
{
    std::size_t size = std::strlen(text) + 1;
    char* copy = new (std::nothrow) char[size];
    if (copy)
        std::memcpy(copy, text, size);
    return copy;
}

char UpperAscii(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool EqualsIgnoringAsciiCase(const char* a, const char* b)
{
    for (; *a && *b; ++a, ++b) {
        if (UpperAscii(*a) != UpperAscii(*b))
            return false;
    }
    return *a == *b;
}

} // namespace

StringList::StringList(const StringList& other) : LinkedList()
{
    // A string that cannot be copied is left out; the others follow in order.
    for (StringListNode* node = other.head; node; node = node->next)
        AddTail(static_cast<const char*>(node->data));
}

StringList::~StringList()
{
    RemoveAll();
}

bool StringList::AddTail(const char* text)
{
    if (!text)
        return false;
    char* copy = CopyText(text);
    if (!copy)
        return false;
    if (!LinkTail(copy)) {
        delete[] copy;
        return false;
    }
    return true;
}

bool StringList::InsertAt(int index, const char* text)
{
    if (!text || index < 0 || index > count)
        return false;
    char* copy = CopyText(text);
    if (!copy)
        return false;
    if (!LinkAt(index, copy)) {
        delete[] copy;
        return false;
    }
    return true;
}

bool StringList::SetAt(int index, const char* text)
{
    const bool atCursor = index == cursorIndex;
    RemoveAt(index);
    bool inserted = InsertAt(index, text);
    if (atCursor)
        SeekTo(index);
    return inserted;
}

bool StringList::RemoveAt(int index)
{
    void* data;
    if (!UnlinkAt(index, &data))
        return false;
    delete[] static_cast<char*>(data);
    return true;
}

bool StringList::RemoveTail()
{
    return RemoveAt(count - 1);
}

bool StringList::RemoveAll()
{
    while (RemoveTail()) {
    }
    return true;
}

const char* StringList::TextAt(int index) const
{
    if (index < 0 || index >= count)
        return nullptr;
    return static_cast<const char*>(NodeAt(index)->data);
}

bool StringList::GetAt(int index, char* out) const
{
    const char* text = TextAt(index);
    if (!text)
        return false;
    std::strcpy(out, text);
    return true;
}

std::string StringList::GetAt(int index) const
{
    const char* text = TextAt(index);
    return text ? std::string(text) : std::string();
}

bool StringList::SeekTo(int index)
{
    return Seek(index);
}

bool StringList::GetNext(char* out)
{
    StringListNode* node = Advance();
    if (!node)
        return false;
    std::strcpy(out, static_cast<const char*>(node->data));
    return true;
}

bool StringList::GetNext(std::string& out)
{
    StringListNode* node = Advance();
    if (!node)
        return false;
    out = static_cast<const char*>(node->data);
    return true;
}

int StringList::Find(const char* text, int start, bool caseSensitive) const
{
    if (!text)
        return -1;
    int index = 0;
    for (StringListNode* node = head; node; node = node->next, ++index) {
        if (index < start)
            continue;
        const char* element = static_cast<const char*>(node->data);
        if (caseSensitive ? std::strcmp(element, text) == 0
                          : EqualsIgnoringAsciiCase(element, text))
            return index;
    }
    return -1;
}

int StringList::Split(char* text, const char* delimiters)
{
    RemoveAll();
    if (!text)
        return 0;
    if (!delimiters)
        delimiters = "";
    char* state = nullptr;
    for (char* token = strtok_r(text, delimiters, &state); token;
         token = strtok_r(nullptr, delimiters, &state))
        AddTail(token);
    return count;
}

StringList StringList::Assign(const StringList& other)
{
    if (&other != this) {
        RemoveAll();
        for (StringListNode* node = other.head; node; node = node->next)
            AddTail(static_cast<const char*>(node->data));
    }
    return *this;
}

StringList StringList::Append(const StringList& other)
{
    // Counted, so that appending a list to itself doubles it once instead of running forever.
    StringListNode* node = other.head;
    for (int n = other.count; n > 0 && node; --n, node = node->next)
        AddTail(static_cast<const char*>(node->data));
    return *this;
}

bool PointerList::SetAt(int index, void* pointer)
{
    RemoveAt(index);
    return InsertAt(index, pointer);
}

bool PointerList::RemoveAt(int index)
{
    void* data;
    return UnlinkAt(index, &data);
}

bool PointerList::RemoveAll()
{
    while (RemoveTail()) {
    }
    return true;
}

void* PointerList::GetAt(int index) const
{
    if (index < 0 || index >= count)
        return nullptr;
    return NodeAt(index)->data;
}
