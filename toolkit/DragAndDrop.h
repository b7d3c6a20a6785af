// Drag and drop of files onto views: the package of dragged items, the target
// interface a view offers through getDropTarget, and a helper to walk a package.
#pragma once

#include <string>
#include <vector>

#include "toolkit/CBase.h"

namespace kgui {

class IDataPackage : public CBaseObject {
public:
    enum Type : int32 { kFilePath = 0, kText, kBinary, kError = -1 };
    virtual uint32 getCount() const = 0;
    virtual uint32 getDataSize(uint32 index) const = 0;
    virtual Type getDataType(uint32 index) const = 0;
    // buffer points into the package and stays valid while the package lives.
    virtual uint32 getData(uint32 index, const void*& buffer, Type& type) const = 0;
};

// A package of file paths (what a file manager drags).
class CFilePathPackage : public IDataPackage {
public:
    explicit CFilePathPackage(std::vector<std::string> paths) : paths(std::move(paths)) {}
    uint32 getCount() const override { return static_cast<uint32>(paths.size()); }
    uint32 getDataSize(uint32 index) const override;
    Type getDataType(uint32 index) const override { return index < paths.size() ? kFilePath : kError; }
    uint32 getData(uint32 index, const void*& buffer, Type& type) const override;

private:
    std::vector<std::string> paths;
};

enum class DragOperation { Copy, Move, None };

struct DragEventData {
    IDataPackage* drag = nullptr;
    CPoint pos;  // in the target view's parent coordinates
    CButtonState modifiers;
};

class IDropTarget {
public:
    virtual ~IDropTarget() = default;
    virtual DragOperation onDragEnter(DragEventData data) = 0;
    virtual DragOperation onDragMove(DragEventData data) = 0;
    virtual void onDragLeave(DragEventData data) = 0;
    virtual bool onDrop(DragEventData data) = 0;
};

// Accepts nothing; views override what they need.
class DropTargetAdapter : public IDropTarget {
public:
    DragOperation onDragEnter(DragEventData) override { return DragOperation::None; }
    DragOperation onDragMove(DragEventData) override { return DragOperation::None; }
    void onDragLeave(DragEventData) override {}
    bool onDrop(DragEventData) override { return false; }
};

// Walks the items of a package: first(), then next() until it gives null.
class CDragContainerHelper {
public:
    enum Type : int32 { kFile = 0, kText, kUnicodeText, kUnknown, kError = -1 };

    explicit CDragContainerHelper(IDataPackage* package) : package(package) {}
    int32 getCount() const { return package ? static_cast<int32>(package->getCount()) : 0; }
    // The item's data (a zero-terminated path for kFile), its size and type.
    void* first(int32& size, int32& type);
    void* next(int32& size, int32& type);
    int32 getType(int32 index) const;
    // The type of the item that first() or next() gave last.
    int32 getCurrentType() const { return getType(index - 1); }

private:
    void* item(int32& size, int32& type);

    IDataPackage* package;
    int32 index = 0;
};

// Paths named by a text/uri-list (the drag format of Linux file managers):
// file:// URIs percent-decoded; comments, other schemes and remote hosts skipped.
std::vector<std::string> decodeUriList(const std::string& uriList);

}  // namespace kgui
