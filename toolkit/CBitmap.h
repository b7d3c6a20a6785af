// Bitmaps by number. An image id names a PNG: first among the images compiled
// into the program (registerEmbeddedImage), then "<id>.png" or "bmp<id>.png" in
// the resource folder (by default <folder of the loaded library>/../Resources).
#pragma once

#include <string>

#include "toolkit/CBase.h"

typedef struct _cairo_surface cairo_surface_t;

namespace kgui {

class CDrawContext;

class CBitmap : public CBaseObject {
public:
    // Loads the numbered image; a missing or unreadable image gives an empty
    // bitmap (size 0) that draws nothing, reported once per id on stderr.
    explicit CBitmap(int32 resourceId);
    // Takes its own reference to an existing ARGB32 surface (id -1).
    explicit CBitmap(cairo_surface_t* surface);
    ~CBitmap() override;
    CBitmap(const CBitmap&) = delete;
    CBitmap& operator=(const CBitmap&) = delete;

    static CBitmap* fromFile(const std::string& path);

    double getWidth() const { return width; }
    double getHeight() const { return height; }
    CPoint getSize() const { return {width, height}; }
    int32 getResourceId() const { return resourceId; }
    bool isLoaded() const { return surface != nullptr; }
    cairo_surface_t* getSurface() const { return surface; }

    // Draws the part of the image that starts at offset into destRect, unscaled.
    void draw(CDrawContext* context, const CRect& destRect, const CPoint& offset = CPoint(0, 0), float alpha = 1.0f);
    // The same with an alpha of 0..255.
    void drawAlphaBlend(CDrawContext* context, const CRect& destRect, const CPoint& offset = CPoint(0, 0),
                        unsigned char alpha = 128);

    // Image sources, set up before the editor opens.
    static void registerEmbeddedImage(int32 resourceId, const unsigned char* pngData, size_t size);
    static void clearEmbeddedImages();
    static void setResourceFolder(const std::string& folder);
    static std::string getResourceFolder();

private:
    CBitmap() = default;
    void adopt(cairo_surface_t* newSurface);

    cairo_surface_t* surface = nullptr;
    int32 resourceId = -1;
    double width = 0;
    double height = 0;
};

}  // namespace kgui
