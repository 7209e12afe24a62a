#include "pdf/document/Document.h"

#include "pdf/document/Page.h"
#include "pdf/document/PixelBudget.h"
#include "pdf/engine/Internal.h"

namespace pdf {

using engine::ctx;

namespace {

// A page showing `image` over its whole media box.
pdf_obj* addImagePage(fz_context* c, pdf_document* doc, fz_image* image, float w, float h) {
    pdf_obj* ref = nullptr;
    pdf_obj* resources = nullptr;
    fz_buffer* contents = nullptr;
    pdf_obj* page = nullptr;
    fz_var(page);
    fz_var(ref);
    fz_var(resources);
    fz_var(contents);
    fz_try(c) {
        ref = pdf_add_image(c, doc, image);
        resources = pdf_new_dict(c, doc, 1);
        pdf_obj* xobjects = pdf_dict_put_dict(c, resources, PDF_NAME(XObject), 1);
        pdf_dict_puts(c, xobjects, "Im0", ref);
        contents = fz_new_buffer(c, 64);
        fz_append_printf(c, contents, "q %g 0 0 %g 0 0 cm /Im0 Do Q\n", w, h);
        page = pdf_add_page(c, doc, fz_make_rect(0, 0, w, h), 0, resources, contents);
    }
    fz_always(c) {
        pdf_drop_obj(c, ref);
        pdf_drop_obj(c, resources);
        fz_drop_buffer(c, contents);
    }
    fz_catch(c) {
        fz_rethrow(c);
    }
    return page;
}

} // namespace

ImageInfo probeImage(const QByteArray& bytes) {
    ImageInfo info;
    if (bytes.isEmpty())
        return info;
    fz_context* c = ctx();
    fz_buffer* buffer = nullptr;
    fz_image* image = nullptr;
    fz_var(buffer);
    fz_var(image);
    fz_try(c) {
        // Only the header is read, and only during this call: no copy of the bytes.
        buffer = fz_new_buffer_from_shared_data(
            c, reinterpret_cast<const unsigned char*>(bytes.constData()), size_t(bytes.size()));
        image = fz_new_image_from_buffer(c, buffer);
        info.width = image->w;
        info.height = image->h;
        // The engine reports 96 dpi for images that state nothing.
        if (image->xres > 0 && image->xres != 96)
            info.xDpi = image->xres;
        if (image->yres > 0 && image->yres != 96)
            info.yDpi = image->yres;
    }
    fz_always(c) {
        fz_drop_image(c, image);
        fz_drop_buffer(c, buffer);
    }
    fz_catch(c) {
        info = ImageInfo{};
    }
    return info;
}

std::shared_ptr<Page> Document::insertImagePage(int index, const QByteArray& encoded, double width,
                                                double height) {
    ChangeScope scope;
    auto lock = d_->lock();
    if (index < 0 || index > int(d_->pages.size()) || width <= 0 || height <= 0 ||
        encoded.isEmpty())
        return nullptr;
    fz_context* c = ctx();
    fz_buffer* buffer = nullptr;
    fz_image* image = nullptr;
    pdf_obj* obj = nullptr;
    fz_var(buffer);
    fz_var(image);
    fz_var(obj);
    bool ok = true;
    fz_try(c) {
        buffer = fz_new_buffer_from_copied_data(
            c, reinterpret_cast<const unsigned char*>(encoded.constData()), size_t(encoded.size()));
        image = fz_new_image_from_buffer(c, buffer);
        if (!withinPixelBudget(image->w, image->h))
            fz_throw(c, FZ_ERROR_GENERIC, "image larger than the pixel budget");
        // Other formats are decoded once now, so that a damaged image is refused here rather
        // than drawn blank later. JPEG data goes into the file byte for byte: its header was
        // read above, and the decoder reports damage past the header (truncation, corrupt
        // data) as warnings, not errors, so decoding it all here would refuse nothing and
        // cost most of the conversion's time.
        fz_compressed_buffer* compressed = fz_compressed_image_buffer(c, image);
        if (!compressed || compressed->params.type != FZ_IMAGE_JPEG) {
            fz_pixmap* probe =
                fz_get_pixmap_from_image(c, image, nullptr, nullptr, nullptr, nullptr);
            fz_drop_pixmap(c, probe);
        }
        obj = addImagePage(c, d_->pdf, image, float(width), float(height));
        insertPageObject(c, *d_, index, obj);
    }
    fz_always(c) {
        pdf_drop_obj(c, obj);
        fz_drop_image(c, image);
        fz_drop_buffer(c, buffer);
    }
    fz_catch(c) {
        ok = false;
    }
    if (!ok)
        return nullptr;
    return pageInsertedAt(index);
}

std::shared_ptr<Page> Document::insertImagePage(int index, const QImage& source, double width,
                                                double height) {
    ChangeScope scope;
    auto lock = d_->lock();
    if (index < 0 || index > int(d_->pages.size()) || width <= 0 || height <= 0 ||
        source.isNull() || !withinPixelBudget(source.width(), source.height()))
        return nullptr;
    fz_context* c = ctx();
    fz_image* image = nullptr;
    pdf_obj* obj = nullptr;
    fz_var(image);
    fz_var(obj);
    bool ok = true;
    const QImage rgba = source.convertToFormat(QImage::Format_RGBA8888);
    fz_try(c) {
        image = imageFromQImage(c, rgba);
        obj = addImagePage(c, d_->pdf, image, float(width), float(height));
        insertPageObject(c, *d_, index, obj);
    }
    fz_always(c) {
        pdf_drop_obj(c, obj);
        fz_drop_image(c, image);
    }
    fz_catch(c) {
        ok = false;
    }
    if (!ok)
        return nullptr;
    return pageInsertedAt(index);
}

} // namespace pdf
