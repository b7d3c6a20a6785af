#include "toolkit/CBitmap.h"

#include <cairo.h>
#include <dlfcn.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>

#include "toolkit/CDrawContext.h"

namespace kgui {

namespace {
struct EmbeddedImage {
    const unsigned char* data;
    size_t size;
};

struct ImageStore {
    std::mutex mutex;
    std::map<int32, EmbeddedImage> embedded;
    std::string resourceFolder;
    bool folderSet = false;
    std::set<int32> reportedMissing;
};

ImageStore& store() {
    static ImageStore instance;
    return instance;
}

struct ReadCursor {
    const unsigned char* data;
    size_t size;
    size_t position;
};

cairo_status_t readFromMemory(void* closure, unsigned char* out, unsigned int length) {
    auto* cursor = static_cast<ReadCursor*>(closure);
    if (cursor->size - cursor->position < length)
        return CAIRO_STATUS_READ_ERROR;
    std::memcpy(out, cursor->data + cursor->position, length);
    cursor->position += length;
    return CAIRO_STATUS_SUCCESS;
}

cairo_surface_t* checked(cairo_surface_t* surface) {
    if (surface && cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    return surface;
}

std::string libraryResourceFolder() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&libraryResourceFolder), &info) && info.dli_fname) {
        std::filesystem::path library(info.dli_fname);
        return (library.parent_path() / ".." / "Resources").lexically_normal().string();
    }
    return {};
}
}  // namespace

CBitmap::CBitmap(int32 id) : resourceId(id) {
    ImageStore& images = store();
    std::string folder;
    EmbeddedImage image{nullptr, 0};
    {
        std::lock_guard lock(images.mutex);
        auto found = images.embedded.find(id);
        if (found != images.embedded.end())
            image = found->second;
        folder = images.folderSet ? images.resourceFolder : libraryResourceFolder();
    }
    cairo_surface_t* loaded = nullptr;
    if (image.data) {
        ReadCursor cursor{image.data, image.size, 0};
        loaded = checked(cairo_image_surface_create_from_png_stream(readFromMemory, &cursor));
    }
    if (!loaded && !folder.empty()) {
        for (const char* pattern : {"%d.png", "bmp%d.png"}) {
            char name[32];
            std::snprintf(name, sizeof(name), pattern, static_cast<int>(id));
            std::filesystem::path path = std::filesystem::path(folder) / name;
            std::error_code error;
            if (std::filesystem::is_regular_file(path, error)) {
                loaded = checked(cairo_image_surface_create_from_png(path.c_str()));
                if (loaded)
                    break;
            }
        }
    }
    if (loaded) {
        adopt(loaded);
        cairo_surface_destroy(loaded);
        return;
    }
    std::lock_guard lock(images.mutex);
    if (images.reportedMissing.insert(id).second)
        std::fprintf(stderr, "Kolbri: editor image %d is missing\n", static_cast<int>(id));
}

CBitmap::CBitmap(cairo_surface_t* newSurface) {
    if (newSurface && cairo_surface_status(newSurface) == CAIRO_STATUS_SUCCESS &&
        cairo_surface_get_type(newSurface) == CAIRO_SURFACE_TYPE_IMAGE)
        adopt(newSurface);
}

CBitmap* CBitmap::fromFile(const std::string& path) {
    cairo_surface_t* loaded = checked(cairo_image_surface_create_from_png(path.c_str()));
    auto* bitmap = new CBitmap();
    bitmap->adopt(loaded);
    if (loaded)
        cairo_surface_destroy(loaded);
    return bitmap;
}

CBitmap::~CBitmap() {
    if (surface)
        cairo_surface_destroy(surface);
}

void CBitmap::adopt(cairo_surface_t* newSurface) {
    if (!newSurface)
        return;
    surface = cairo_surface_reference(newSurface);
    width = cairo_image_surface_get_width(surface);
    height = cairo_image_surface_get_height(surface);
}

void CBitmap::draw(CDrawContext* context, const CRect& destRect, const CPoint& offset, float alpha) {
    if (!context)
        return;
    context->recordBitmap(resourceId, destRect, offset, alpha);
    if (!surface || alpha <= 0)
        return;
    cairo_t* cr = context->getCairo();
    cairo_save(cr);
    cairo_new_path(cr);
    cairo_rectangle(cr, destRect.left, destRect.top, destRect.getWidth(), destRect.getHeight());
    cairo_clip(cr);
    cairo_set_source_surface(cr, surface, destRect.left - offset.x, destRect.top - offset.y);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_paint_with_alpha(cr, std::fmin(1.0, alpha * context->getGlobalAlpha()));
    cairo_restore(cr);
}

void CBitmap::drawAlphaBlend(CDrawContext* context, const CRect& destRect, const CPoint& offset,
                             unsigned char alpha) {
    draw(context, destRect, offset, alpha / 255.0f);
}

void CBitmap::registerEmbeddedImage(int32 id, const unsigned char* pngData, size_t size) {
    ImageStore& images = store();
    std::lock_guard lock(images.mutex);
    images.embedded[id] = EmbeddedImage{pngData, size};
}

void CBitmap::clearEmbeddedImages() {
    ImageStore& images = store();
    std::lock_guard lock(images.mutex);
    images.embedded.clear();
}

void CBitmap::setResourceFolder(const std::string& folder) {
    ImageStore& images = store();
    std::lock_guard lock(images.mutex);
    images.resourceFolder = folder;
    images.folderSet = true;
    images.reportedMissing.clear();
}

std::string CBitmap::getResourceFolder() {
    ImageStore& images = store();
    std::lock_guard lock(images.mutex);
    return images.folderSet ? images.resourceFolder : libraryResourceFolder();
}

}  // namespace kgui
