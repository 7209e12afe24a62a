#include "pdf/annotations/Annotation.h"

#include "pdf/annotations/FieldAppearance.h"
#include "pdf/document/Page.h"
#include "pdf/engine/Internal.h"
#include "pdf/text/UnicodeText.h"

namespace pdf {

using engine::ctx;

namespace {

// Runs `body` under the page's document lock when the annotation is still live.
template <typename T, typename F> T guarded(const AnnotationData& a, T fallback, F body) {
    auto lock = a.page->data().doc->lock();
    if (a.removed || a.page->data().detached)
        return fallback;
    return body(ctx(), a.annot);
}

void changed(AnnotationData& a, Change::Kind kind = Change::Kind::AnnotationsChanged) {
    touch(a.page->data());
    announce(*a.page->data().doc, {kind, {a.page->index()}});
}

} // namespace

Annotation::Annotation(std::unique_ptr<AnnotationData> d) : d_(std::move(d)) {}

Annotation::~Annotation() {
    auto lock = d_->page->data().doc->lock();
    pdf_drop_annot(ctx(), d_->annot);
}

std::shared_ptr<Page> Annotation::page() const {
    return d_->page;
}

bool Annotation::isValid() const {
    return guarded(*d_, false, [](fz_context*, pdf_annot*) { return true; });
}

QString Annotation::subtype() const {
    return guarded(*d_, QString(), [](fz_context* c, pdf_annot* a) {
        const char* name = nullptr;
        fz_var(name);
        fz_try(c) {
            name = pdf_dict_get_name(c, pdf_annot_obj(c, a), PDF_NAME(Subtype));
        }
        fz_catch(c) {
            name = nullptr;
        }
        return QString::fromLatin1(name);
    });
}

QRectF Annotation::bounds() const {
    return guarded(*d_, QRectF(), [](fz_context* c, pdf_annot* a) {
        fz_rect r = fz_empty_rect;
        fz_var(r);
        fz_try(c) {
            pdf_obj* obj = pdf_annot_obj(c, a);
            r = pdf_dict_get_rect(c, obj, PDF_NAME(Rect));
            // Text markup grows its Rect to cover its drawing; the marked area is what the
            // QuadPoints say.
            pdf_obj* quads = pdf_dict_get(c, obj, PDF_NAME(QuadPoints));
            const int n = pdf_array_len(c, quads);
            if (n >= 8 && n % 8 == 0) {
                fz_rect q = fz_empty_rect;
                for (int i = 0; i < n; i += 2) {
                    const fz_point p = fz_make_point(pdf_array_get_real(c, quads, i),
                                                     pdf_array_get_real(c, quads, i + 1));
                    q = fz_include_point_in_rect(q, p);
                }
                r = q;
            }
        }
        fz_catch(c) {}
        return fromFz(r);
    });
}

void Annotation::setBounds(const QRectF& rect) {
    const bool ok = guarded(*d_, false, [&](fz_context* c, pdf_annot* a) {
        bool done = true;
        fz_var(done);
        fz_try(c) {
            pdf_dict_put_rect(c, pdf_annot_obj(c, a), PDF_NAME(Rect), toFz(rect));
            pdf_dirty_annot(c, a);
            pdf_update_annot(c, a);
        }
        fz_catch(c) {
            done = false;
        }
        return done;
    });
    if (ok)
        changed(*d_);
}

QColor Annotation::color() const {
    return guarded(*d_, QColor(), [](fz_context* c, pdf_annot* a) {
        QColor color;
        fz_try(c) {
            int n = 0;
            float v[4] = {0, 0, 0, 0};
            pdf_annot_color(c, a, &n, v);
            const float alpha = pdf_annot_opacity(c, a);
            if (n == 1)
                color = QColor::fromRgbF(v[0], v[0], v[0], alpha);
            else if (n == 3)
                color = QColor::fromRgbF(v[0], v[1], v[2], alpha);
            else if (n == 4)
                color = QColor::fromCmykF(v[0], v[1], v[2], v[3], alpha).toRgb();
        }
        fz_catch(c) {}
        return color;
    });
}

void Annotation::setColor(const QColor& color) {
    const bool ok = guarded(*d_, false, [&](fz_context* c, pdf_annot* a) {
        bool done = true;
        fz_var(done);
        const float v[3] = {float(color.redF()), float(color.greenF()), float(color.blueF())};
        fz_try(c) {
            pdf_set_annot_color(c, a, color.isValid() ? 3 : 0, v);
            pdf_set_annot_opacity(c, a, color.isValid() ? float(color.alphaF()) : 1.0f);
            pdf_update_annot(c, a);
        }
        fz_catch(c) {
            done = false;
        }
        return done;
    });
    if (ok)
        changed(*d_);
}

QString Annotation::contents() const {
    return guarded(*d_, QString(), [](fz_context* c, pdf_annot* a) {
        const char* text = nullptr;
        fz_var(text);
        fz_try(c) {
            text = pdf_annot_contents(c, a);
        }
        fz_catch(c) {
            text = nullptr;
        }
        return QString::fromUtf8(text);
    });
}

void Annotation::setContents(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    const bool ok = guarded(*d_, false, [&](fz_context* c, pdf_annot* a) {
        bool done = true;
        fz_var(done);
        fz_try(c) {
            pdf_set_annot_contents(c, a, utf8.constData());
        }
        fz_catch(c) {
            done = false;
        }
        return done;
    });
    if (ok)
        changed(*d_);
}

double Annotation::fontSize() const {
    return guarded(*d_, 0.0, [](fz_context* c, pdf_annot* a) {
        double size = 0;
        fz_var(size);
        fz_try(c) {
            const char* font = nullptr;
            float s = 0, col[4];
            int n = 0;
            pdf_annot_default_appearance(c, a, &font, &s, &n, col);
            size = s;
        }
        fz_catch(c) {}
        return size;
    });
}

QColor Annotation::fontColor() const {
    return guarded(*d_, QColor(), [](fz_context* c, pdf_annot* a) {
        QColor color;
        fz_try(c) {
            const char* font = nullptr;
            float s = 0, v[4] = {0, 0, 0, 0};
            int n = 0;
            pdf_annot_default_appearance(c, a, &font, &s, &n, v);
            if (n == 1)
                color = QColor::fromRgbF(v[0], v[0], v[0]);
            else if (n == 3)
                color = QColor::fromRgbF(v[0], v[1], v[2]);
            else if (n == 4)
                color = QColor::fromCmykF(v[0], v[1], v[2], v[3]).toRgb();
        }
        fz_catch(c) {}
        return color;
    });
}

bool Annotation::isWidget() const {
    return guarded(*d_, false, [](fz_context* c, pdf_annot* a) {
        bool widget = false;
        fz_var(widget);
        fz_try(c) {
            widget = pdf_annot_type(c, a) == PDF_ANNOT_WIDGET;
        }
        fz_catch(c) {}
        return widget;
    });
}

WidgetFieldType Annotation::widgetFieldType() const {
    return guarded(*d_, WidgetFieldType::None, [](fz_context* c, pdf_annot* a) {
        WidgetFieldType type = WidgetFieldType::None;
        fz_var(type);
        fz_try(c) {
            if (pdf_annot_type(c, a) == PDF_ANNOT_WIDGET) {
                switch (pdf_widget_type(c, a)) {
                case PDF_WIDGET_TYPE_TEXT:
                    type = WidgetFieldType::Text;
                    break;
                case PDF_WIDGET_TYPE_BUTTON:
                case PDF_WIDGET_TYPE_CHECKBOX:
                case PDF_WIDGET_TYPE_RADIOBUTTON:
                    type = WidgetFieldType::Button;
                    break;
                case PDF_WIDGET_TYPE_COMBOBOX:
                case PDF_WIDGET_TYPE_LISTBOX:
                    type = WidgetFieldType::Choice;
                    break;
                case PDF_WIDGET_TYPE_SIGNATURE:
                    type = WidgetFieldType::Signature;
                    break;
                default:
                    type = WidgetFieldType::Other;
                    break;
                }
            }
        }
        fz_catch(c) {}
        return type;
    });
}

bool Annotation::isCheckBox() const {
    return guarded(*d_, false, [](fz_context* c, pdf_annot* a) {
        bool yes = false;
        fz_var(yes);
        fz_try(c) {
            yes = pdf_annot_type(c, a) == PDF_ANNOT_WIDGET &&
                  pdf_widget_type(c, a) == PDF_WIDGET_TYPE_CHECKBOX;
        }
        fz_catch(c) {}
        return yes;
    });
}

bool Annotation::isRadioButton() const {
    return guarded(*d_, false, [](fz_context* c, pdf_annot* a) {
        bool yes = false;
        fz_var(yes);
        fz_try(c) {
            yes = pdf_annot_type(c, a) == PDF_ANNOT_WIDGET &&
                  pdf_widget_type(c, a) == PDF_WIDGET_TYPE_RADIOBUTTON;
        }
        fz_catch(c) {}
        return yes;
    });
}

QString Annotation::buttonOnStateName() const {
    return guarded(*d_, QString(), [](fz_context* c, pdf_annot* a) {
        const char* raw = nullptr;
        fz_var(raw);
        fz_try(c) {
            if (pdf_annot_type(c, a) == PDF_ANNOT_WIDGET) {
                const int type = pdf_widget_type(c, a);
                if (type == PDF_WIDGET_TYPE_CHECKBOX || type == PDF_WIDGET_TYPE_RADIOBUTTON) {
                    pdf_obj* on = pdf_button_field_on_state(c, pdf_annot_obj(c, a));
                    raw = on ? pdf_to_name(c, on) : nullptr;
                }
            }
        }
        fz_catch(c) {
            raw = nullptr;
        }
        return raw && *raw ? QString::fromUtf8(raw) : QString();
    });
}

QString Annotation::fieldName() const {
    return guarded(*d_, QString(), [](fz_context* c, pdf_annot* a) {
        QString name;
        char* raw = nullptr;
        fz_var(raw);
        fz_try(c) {
            if (pdf_annot_type(c, a) == PDF_ANNOT_WIDGET)
                raw = pdf_field_name(c, pdf_annot_obj(c, a));
        }
        fz_catch(c) {
            raw = nullptr;
        }
        if (raw) {
            name = QString::fromUtf8(raw);
            fz_free(c, raw);
        }
        return name;
    });
}

QString Annotation::widgetStringValue() const {
    return guarded(*d_, QString(), [](fz_context* c, pdf_annot* a) {
        const char* value = nullptr;
        fz_var(value);
        fz_try(c) {
            if (pdf_annot_type(c, a) == PDF_ANNOT_WIDGET)
                value = pdf_field_value(c, pdf_annot_obj(c, a));
        }
        fz_catch(c) {
            value = nullptr;
        }
        return QString::fromUtf8(value);
    });
}

bool Annotation::setWidgetStringValue(const QString& value) {
    const QByteArray utf8 = value.toUtf8();
    const bool ok = guarded(*d_, false, [&](fz_context* c, pdf_annot* a) {
        int done = 0;
        fz_var(done);
        fz_try(c) {
            if (pdf_annot_type(c, a) == PDF_ANNOT_WIDGET) {
                switch (pdf_widget_type(c, a)) {
                case PDF_WIDGET_TYPE_TEXT:
                    done = pdf_set_text_field_value(c, a, utf8.constData());
                    break;
                case PDF_WIDGET_TYPE_COMBOBOX:
                case PDF_WIDGET_TYPE_LISTBOX:
                    done = pdf_set_choice_field_value(c, a, utf8.constData());
                    break;
                default:
                    done = 0;
                    break;
                }
                if (done)
                    pdf_update_annot(c, a);
            }
        }
        fz_catch(c) {
            done = 0;
        }
        return done != 0;
    });
    if (ok && !unicodetext::fitsStandardFont(value)) {
        guarded(*d_, false, [&](fz_context* c, pdf_annot* a) {
            return fieldappearance::drawValue(c, a, value);
        });
    }
    if (ok)
        changed(*d_, Change::Kind::FormValuesChanged);
    return ok;
}

bool Annotation::buttonWidgetState() const {
    return guarded(*d_, false, [](fz_context* c, pdf_annot* a) {
        bool on = false;
        fz_var(on);
        fz_try(c) {
            pdf_obj* as = pdf_dict_get(c, pdf_annot_obj(c, a), PDF_NAME(AS));
            on = as && pdf_is_name(c, as) && !pdf_name_eq(c, as, PDF_NAME(Off));
        }
        fz_catch(c) {}
        return on;
    });
}

void Annotation::setButtonWidgetState(bool on) {
    if (buttonWidgetState() == on)
        return;
    const bool ok = guarded(*d_, false, [&](fz_context* c, pdf_annot* a) {
        bool done = true;
        fz_var(done);
        fz_try(c) {
            const int type = pdf_widget_type(c, a);
            if (type != PDF_WIDGET_TYPE_CHECKBOX && type != PDF_WIDGET_TYPE_RADIOBUTTON)
                fz_throw(c, FZ_ERROR_GENERIC, "not a toggle");
            pdf_toggle_widget(c, a);
            pdf_update_annot(c, a);
        }
        fz_catch(c) {
            done = false;
        }
        return done;
    });
    if (ok) {
        // A radio button switches its siblings off; every widget on the page may have changed.
        changed(*d_, Change::Kind::FormValuesChanged);
    }
}

QStringList Annotation::choiceOptions() const {
    return guarded(*d_, QStringList(), [](fz_context* c, pdf_annot* a) {
        QStringList options;
        int n = 0;
        fz_var(n);
        fz_try(c) {
            if (pdf_annot_type(c, a) == PDF_ANNOT_WIDGET)
                n = pdf_choice_widget_options(c, a, 0, nullptr);
        }
        fz_catch(c) {
            n = 0;
        }
        if (n <= 0)
            return options;
        // The engine fills a buffer made beforehand; the strings are copied after its guard.
        std::vector<const char*> opts(size_t(n), nullptr);
        const char** filling = opts.data();
        bool ok = true;
        fz_try(c) {
            pdf_choice_widget_options(c, a, 0, filling);
        }
        fz_catch(c) {
            ok = false;
        }
        if (ok)
            for (const char* o : opts)
                options << QString::fromUtf8(o ? o : "");
        return options;
    });
}

} // namespace pdf
