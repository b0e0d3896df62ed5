// The program's own doubly linked lists: StringList owns copies of its strings, PointerList holds
// the caller's pointers. Both address elements by zero-based index and never raise errors.
#pragma once

#include <string>

struct StringListNode
{
    void* data; // StringList: its own copy of the string; PointerList: the caller's pointer
    StringListNode* next;
    StringListNode* prev;
};

// The links, the count and the iteration position that both lists share. Nodes only: what the
// data points to is the derived list's business.
class LinkedList
{
public:
    int GetCount() const { return count; }

    LinkedList(const LinkedList&) = delete;
    LinkedList& operator=(const LinkedList&) = delete;

protected:
    LinkedList() = default;
    ~LinkedList();

    // Returns the node at 0 <= index < count, walking from the nearer end.
    StringListNode* NodeAt(int index) const;
    bool LinkTail(void* data);
    // Inserts before the element at index; index == count appends.
    bool LinkAt(int index, void* data);
    // Unlinks the element at index and hands back its data.
    bool UnlinkAt(int index, void** data);
    bool Seek(int index);
    // Returns the cursor's node and advances the cursor, or nullptr when iteration has run out.
    StringListNode* Advance();

    int count = 0;
    StringListNode* head = nullptr;
    StringListNode* tail = nullptr;
    StringListNode* cursor = nullptr;
    int cursorIndex = 0;
};

class StringList : public LinkedList
{
public:
    StringList() = default;
    StringList(const StringList& other);
    virtual ~StringList();

    bool AddTail(const char* text);
    bool InsertAt(int index, const char* text);
    bool SetAt(int index, const char* text);
    bool RemoveAt(int index);
    bool RemoveTail();
    bool RemoveAll();

    // Copies the element into `out`, which must be large enough.
    bool GetAt(int index, char* out) const;
    // The element, or an empty string when index is out of range.
    std::string GetAt(int index) const;

    // Starts iteration at index; false (and no iteration) when index is out of range.
    bool SeekTo(int index);
    // Copies the element at the iteration position into `out` and moves on.
    bool GetNext(char* out);
    bool GetNext(std::string& out);

    // Returns the first index >= start whose element equals `text`, or -1. Without
    // `caseSensitive`, letters a-z compare equal to A-Z.
    int Find(const char* text, int start, bool caseSensitive) const;

    // Replaces the contents with the tokens of `text` between any of `delimiters` (empty tokens
    // skipped); `text` is cut in place. Returns the new count.
    int Split(char* text, const char* delimiters);

    StringList Assign(const StringList& other);
    StringList operator=(const StringList& other) { return Assign(other); }
    StringList Append(const StringList& other);
    StringList operator+=(const StringList& other) { return Append(other); }

private:
    const char* TextAt(int index) const;
};

class PointerList : public LinkedList
{
public:
    PointerList() = default;
    virtual ~PointerList() = default;

    bool AddTail(void* pointer) { return LinkTail(pointer); }
    bool InsertAt(int index, void* pointer) { return LinkAt(index, pointer); }
    bool SetAt(int index, void* pointer);
    bool RemoveAt(int index);
    bool RemoveTail() { return RemoveAt(count - 1); }
    bool RemoveAll();
    // The pointer at index, or nullptr when index is out of range.
    void* GetAt(int index) const;
};
