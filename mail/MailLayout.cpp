#include "mail/MailLayout.h"

#include <QStringList>

using namespace Qt::Literals::StringLiterals;

namespace MailLayout {

QList<QRect> centerControlsVertical(int innerHeight, int gap, bool alignLeft, QList<QRect> rects) {
    if (rects.isEmpty())
        return rects;
    int total = gap * int(rects.size() - 1);
    for (const QRect& r : rects)
        total += r.height();
    int top = (innerHeight - total) / 2;
    const int left = rects.first().left();
    for (QRect& r : rects) {
        r.moveTop(top);
        if (alignLeft)
            r.moveLeft(left);
        top += r.height() + gap;
    }
    return rects;
}

QList<QRect> centerControlsHorizontal(int innerWidth, int gap, bool alignTop, QList<QRect> rects) {
    if (rects.isEmpty())
        return rects;
    int total = gap * int(rects.size() - 1);
    for (const QRect& r : rects)
        total += r.width();
    int left = (innerWidth - total) / 2;
    const int top = rects.first().top();
    for (QRect& r : rects) {
        r.moveLeft(left);
        if (alignTop)
            r.moveTop(top);
        left += r.width() + gap;
    }
    return rects;
}

QList<QRect> alignControlsTop(bool sameHeight, const QRect& base, QList<QRect> rects) {
    for (QRect& r : rects) {
        r.moveTop(base.top());
        if (sameHeight)
            r.setHeight(base.height());
    }
    return rects;
}

QList<QRect> alignControlsLeft(bool sameWidth, const QRect& base, QList<QRect> rects) {
    for (QRect& r : rects) {
        r.moveLeft(base.left());
        if (sameWidth)
            r.setWidth(base.width());
    }
    return rects;
}

QRect centerControlRelativeVertical(QRect control, const QRect& relativeTo) {
    control.moveTop(relativeTo.top() + (relativeTo.height() - control.height()) / 2);
    return control;
}

namespace {

QList<QRect> pick(const Rects& rects, const QStringList& names) {
    QList<QRect> out;
    out.reserve(names.size());
    for (const QString& name : names)
        out << rects.value(name);
    return out;
}

void put(Rects& rects, const QStringList& names, const QList<QRect>& placed) {
    for (qsizetype i = 0; i < names.size(); ++i)
        rects.insert(names.at(i), placed.at(i));
}

} // namespace

Rects arrangeMailWindow(Rects rects, QSize inner) {
    const QStringList stack{u"txtServer"_s, u"txtPopServer"_s, u"txtFromName"_s, u"txtFrom"_s,
                            u"txtToName"_s, u"txtTo"_s,        u"txtCcName"_s,   u"txtCc"_s,
                            u"txtBcc"_s,    u"txtSubject"_s,   u"txtMsg"_s,      u"txtAttach"_s,
                            u"lstStatus"_s, u"lblProgress"_s};
    put(rects, stack, centerControlsVertical(inner.height(), 100, false, pick(rects, stack)));

    const QStringList topOfServer{u"lblServer"_s, u"cmdSend"_s};
    put(rects, topOfServer,
        alignControlsTop(false, rects.value(u"txtServer"_s), pick(rects, topOfServer)));

    const QStringList row{u"lblServer"_s, u"txtServer"_s, u"cmdSend"_s};
    put(rects, row, centerControlsHorizontal(inner.width(), 300, false, pick(rects, row)));

    // Each label beside its text box.
    const QList<std::pair<QString, QString>> labels{{u"lblPopServer"_s, u"txtPopServer"_s},
                                                    {u"lblFromName"_s, u"txtFromName"_s},
                                                    {u"lblFrom"_s, u"txtFrom"_s},
                                                    {u"lblToName"_s, u"txtToName"_s},
                                                    {u"lblTo"_s, u"txtTo"_s},
                                                    {u"lblCcName"_s, u"txtCcName"_s},
                                                    {u"lblCC"_s, u"txtCc"_s},
                                                    {u"lblBcc"_s, u"txtBcc"_s},
                                                    {u"lblSubject"_s, u"txtSubject"_s},
                                                    {u"lblMsg"_s, u"txtMsg"_s},
                                                    {u"lblAttach"_s, u"txtAttach"_s},
                                                    {u"lblStatus"_s, u"lstStatus"_s}};
    QStringList leftOfServerLabel;
    for (const auto& [label, box] : labels)
        leftOfServerLabel << label;
    leftOfServerLabel << u"lstStatus"_s;
    put(rects, leftOfServerLabel,
        alignControlsLeft(false, rects.value(u"lblServer"_s), pick(rects, leftOfServerLabel)));

    rects[u"lblServer"_s] =
        centerControlRelativeVertical(rects.value(u"lblServer"_s), rects.value(u"txtServer"_s));
    for (const auto& [label, box] : labels)
        rects[label] = centerControlRelativeVertical(rects.value(label), rects.value(box));
    const QList<std::pair<QString, QString>> buttons{{u"cmdSend"_s, u"txtServer"_s},
                                                     {u"cmdReset"_s, u"txtPopServer"_s},
                                                     {u"cmdExit"_s, u"txtFrom"_s},
                                                     {u"cmdBrowse"_s, u"txtAttach"_s}};
    for (const auto& [button, box] : buttons)
        rects[button] = centerControlRelativeVertical(rects.value(button), rects.value(box));

    // The two tall boxes have their labels at the top.
    rects[u"lblMsg"_s] =
        alignControlsTop(false, rects.value(u"txtMsg"_s), {rects.value(u"lblMsg"_s)}).first();
    rects[u"lblStatus"_s] =
        alignControlsTop(false, rects.value(u"lstStatus"_s), {rects.value(u"lblStatus"_s)}).first();

    rects[u"fraOptions"_s].moveTop(rects.value(u"txtTo"_s).top() - 135);

    QStringList boxes = stack;
    boxes.removeOne(u"txtServer"_s);
    put(rects, boxes, alignControlsLeft(true, rects.value(u"txtServer"_s), pick(rects, boxes)));
    const QStringList underSend{u"cmdReset"_s, u"cmdExit"_s, u"cmdBrowse"_s, u"fraOptions"_s};
    put(rects, underSend,
        alignControlsLeft(true, rects.value(u"cmdSend"_s), pick(rects, underSend)));
    return rects;
}

} // namespace MailLayout
