#include "toolkit/DragAndDrop.h"

#include <sstream>

namespace kgui {

uint32 CFilePathPackage::getDataSize(uint32 index) const {
    return index < paths.size() ? static_cast<uint32>(paths[index].size() + 1) : 0;
}

uint32 CFilePathPackage::getData(uint32 index, const void*& buffer, Type& type) const {
    if (index >= paths.size()) {
        buffer = nullptr;
        type = kError;
        return 0;
    }
    buffer = paths[index].c_str();
    type = kFilePath;
    return static_cast<uint32>(paths[index].size() + 1);
}

void* CDragContainerHelper::first(int32& size, int32& type) {
    index = 0;
    return item(size, type);
}

void* CDragContainerHelper::next(int32& size, int32& type) { return item(size, type); }

void* CDragContainerHelper::item(int32& size, int32& type) {
    size = 0;
    type = kError;
    if (!package || index < 0 || static_cast<uint32>(index) >= package->getCount())
        return nullptr;
    const void* buffer = nullptr;
    IDataPackage::Type packageType = IDataPackage::kError;
    size = static_cast<int32>(package->getData(static_cast<uint32>(index), buffer, packageType));
    type = getType(index);
    ++index;
    return const_cast<void*>(buffer);
}

int32 CDragContainerHelper::getType(int32 itemIndex) const {
    if (!package || itemIndex < 0 || static_cast<uint32>(itemIndex) >= package->getCount())
        return kError;
    switch (package->getDataType(static_cast<uint32>(itemIndex))) {
        case IDataPackage::kFilePath: return kFile;
        case IDataPackage::kText: return kUnicodeText;
        case IDataPackage::kBinary: return kUnknown;
        default: return kError;
    }
}

namespace {
int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}
}  // namespace

std::vector<std::string> decodeUriList(const std::string& uriList) {
    std::vector<std::string> paths;
    std::istringstream lines(uriList);
    std::string line;
    while (std::getline(lines, line)) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        const std::string scheme = "file://";
        if (line.compare(0, scheme.size(), scheme) != 0)
            continue;
        std::string rest = line.substr(scheme.size());
        // file:///path or file://localhost/path; another host is not ours to read.
        size_t slash = rest.find('/');
        if (slash == std::string::npos)
            continue;
        std::string host = rest.substr(0, slash);
        if (!host.empty() && host != "localhost")
            continue;
        std::string encoded = rest.substr(slash);
        std::string path;
        bool valid = true;
        for (size_t i = 0; i < encoded.size(); ++i) {
            if (encoded[i] == '%') {
                int high = i + 2 < encoded.size() ? hexValue(encoded[i + 1]) : -1;
                int low = i + 2 < encoded.size() ? hexValue(encoded[i + 2]) : -1;
                if (high < 0 || low < 0) {
                    valid = false;
                    break;
                }
                char decoded = static_cast<char>(high * 16 + low);
                if (decoded == '\0') {
                    valid = false;
                    break;
                }
                path += decoded;
                i += 2;
            } else {
                path += encoded[i];
            }
        }
        if (valid)
            paths.push_back(path);
    }
    return paths;
}

}  // namespace kgui
