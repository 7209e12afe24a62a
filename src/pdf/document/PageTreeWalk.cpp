#include "pdf/document/PageTreeWalk.h"

namespace pdf {

namespace {

// What the engine takes for an inner node of the page tree rather than a page.
bool isPagesNode(fz_context* c, pdf_obj* obj) {
    pdf_obj* type = pdf_dict_get(c, obj, PDF_NAME(Type));
    if (pdf_name_eq(c, type, PDF_NAME(Pages)))
        return true;
    if (pdf_name_eq(c, type, PDF_NAME(Page)))
        return false;
    // No type, or another one: a node when it has kids and no box of its own.
    return pdf_is_array(c, pdf_dict_get(c, obj, PDF_NAME(Kids))) &&
           !pdf_dict_get(c, obj, PDF_NAME(MediaBox));
}

// Nodes nested deeper than this are more than the engine's lookups follow.
constexpr int kDeepestEngineTree = 32;

// One node on the way down. Plain data: it lives across fz_try.
struct Frame {
    pdf_obj* node;
    pdf_obj* kids;
    int next;
    int len;
    int pagesBefore;
    pdf_obj* inherited[kInheritedKeyCount];
};

struct Stack {
    Frame* items = nullptr;
    int len = 0;
    int cap = 0;
    void push(fz_context* c, const Frame& f) {
        if (len == cap) {
            const int grown = cap ? cap * 2 : 64;
            items = fz_realloc_array(c, items, grown, Frame);
            cap = grown;
        }
        items[len++] = f;
    }
};

Frame frameFor(fz_context* c, pdf_obj* node, const Frame* parent, int pagesBefore) {
    Frame f{};
    f.node = node;
    f.kids = pdf_dict_get(c, node, PDF_NAME(Kids));
    f.len = pdf_array_len(c, f.kids);
    f.pagesBefore = pagesBefore;
    for (int k = 0; k < kInheritedKeyCount; ++k) {
        pdf_obj* own = pdf_dict_get(c, node, inheritedKey(k));
        f.inherited[k] = own ? own : parent ? parent->inherited[k] : nullptr;
    }
    return f;
}

void addPage(fz_context* c, PageTreeWalk& walk, pdf_obj* page, pdf_obj* const* inherited) {
    walk.pages.push(c, page);
    for (int k = 0; k < kInheritedKeyCount; ++k)
        walk.inherited.push(c, inherited ? inherited[k] : nullptr);
}

} // namespace

pdf_obj* inheritedKey(int i) {
    static pdf_obj* const keys[kInheritedKeyCount] = {PDF_NAME(Resources), PDF_NAME(MediaBox),
                                                      PDF_NAME(CropBox), PDF_NAME(Rotate)};
    return keys[i];
}

void walkPageTree(fz_context* c, pdf_obj* root, PageTreeWalk& walk) {
    // A node is marked while it is on the way down (so that finding it again is a loop);
    // a page is marked once seen (so that finding it again is a repeat).
    Stack stack;
    ObjList seen;
    int visits = 0;
    int repeated = 0;
    fz_var(stack);
    fz_var(seen);
    fz_var(visits);
    fz_var(repeated);
    fz_try(c) {
        pdf_mark_obj(c, root);
        stack.push(c, frameFor(c, root, nullptr, 0));
        while (stack.len > 0) {
            Frame& top = stack.items[stack.len - 1];
            if (top.next >= top.len) {
                if (pdf_dict_get_int(c, top.node, PDF_NAME(Count)) !=
                    walk.pages.len - top.pagesBefore)
                    walk.consistent = false;
                pdf_unmark_obj(c, top.node);
                --stack.len;
                continue;
            }
            pdf_obj* kid = pdf_array_get(c, top.kids, top.next++);
            if (++visits > kMaxKidVisits) {
                walk.consistent = false;
                walk.cut = true;
                break;
            }
            if (!pdf_is_dict(c, kid)) {
                walk.consistent = false; // a missing object, a number: nothing to show
                continue;
            }
            if (pdf_resolve_indirect(c, pdf_dict_get(c, kid, PDF_NAME(Parent))) !=
                pdf_resolve_indirect(c, top.node))
                walk.consistent = false;
            if (!isPagesNode(c, kid)) {
                if (pdf_obj_marked(c, kid)) {
                    walk.consistent = false;
                    walk.repeats = true;
                    if (++repeated > kMaxRepeatedPages) {
                        walk.cut = true; // a tree made to multiply itself: the rest is cut
                        break;
                    }
                } else {
                    pdf_mark_obj(c, kid);
                    seen.push(c, kid);
                }
                addPage(c, walk, kid, top.inherited);
                continue;
            }
            if (pdf_obj_marked(c, kid) || stack.len >= kMaxTreeDepth) {
                walk.consistent = false; // a node inside itself, or nested past any real tree
                walk.cut = walk.cut || stack.len >= kMaxTreeDepth;
                continue;
            }
            // The engine's own lookups give up on deep trees: such a tree is made flat.
            if (stack.len >= kDeepestEngineTree)
                walk.consistent = false;
            pdf_mark_obj(c, kid);
            const Frame child = frameFor(c, kid, &top, walk.pages.len);
            stack.push(c, child);
        }
        if (pdf_dict_get_int(c, root, PDF_NAME(Count)) != walk.pages.len)
            walk.consistent = false;
    }
    fz_always(c) {
        for (int i = 0; i < stack.len; ++i)
            pdf_unmark_obj(c, stack.items[i].node);
        for (int i = 0; i < seen.len; ++i)
            pdf_unmark_obj(c, seen.items[i]);
        fz_free(c, stack.items);
        seen.release(c);
    }
    fz_catch(c) {
        fz_rethrow(c);
    }
}

void scanPageObjects(fz_context* c, pdf_document* doc, pdf_obj* holder, PageTreeWalk& walk) {
    const int count = pdf_xref_len(c, doc);
    for (int num = 1; num < count; ++num) {
        pdf_obj* obj = nullptr;
        bool page = false;
        fz_var(obj);
        fz_var(page);
        fz_try(c) {
            obj = pdf_load_object(c, doc, num);
            page = pdf_is_dict(c, obj) &&
                   pdf_name_eq(c, pdf_dict_get(c, obj, PDF_NAME(Type)), PDF_NAME(Page));
        }
        fz_catch(c) {
            page = false; // an object that cannot be read is no page
        }
        if (page) {
            pdf_obj* inherited[kInheritedKeyCount] = {};
            fz_try(c) {
                for (int k = 0; k < kInheritedKeyCount; ++k)
                    inherited[k] = pdf_dict_get_inheritable(c, obj, inheritedKey(k));
                pdf_array_push_drop(c, holder, pdf_new_indirect(c, doc, num, 0));
                addPage(c, walk, pdf_array_get(c, holder, pdf_array_len(c, holder) - 1), inherited);
            }
            fz_always(c) {
                pdf_drop_obj(c, obj);
            }
            fz_catch(c) {
                fz_rethrow(c);
            }
        } else {
            pdf_drop_obj(c, obj);
        }
    }
    walk.consistent = false;
}

} // namespace pdf
