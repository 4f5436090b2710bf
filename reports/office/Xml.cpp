#include "reports/office/Xml.h"

#include <cstring>

#include <pugixml.hpp>

namespace office {

namespace {

pugi::xml_node node(pugi::xml_node_struct* n)
{
    return pugi::xml_node(n);
}

} // namespace

QString XmlNode::name() const
{
    return QString::fromUtf8(node(m_node).name());
}

XmlNode XmlNode::parent() const
{
    return XmlNode(node(m_node).parent().internal_object());
}

XmlNode XmlNode::child(const char* name) const
{
    return XmlNode(node(m_node).child(name).internal_object());
}

QList<XmlNode> XmlNode::children(const char* name) const
{
    QList<XmlNode> result;
    for (pugi::xml_node c = node(m_node).child(name); c; c = c.next_sibling(name))
        result.append(XmlNode(c.internal_object()));
    return result;
}

QList<XmlNode> XmlNode::elements() const
{
    QList<XmlNode> result;
    for (pugi::xml_node c = node(m_node).first_child(); c; c = c.next_sibling()) {
        if (c.type() == pugi::node_element)
            result.append(XmlNode(c.internal_object()));
    }
    return result;
}

XmlNode XmlNode::nextSibling() const
{
    pugi::xml_node n = node(m_node).next_sibling();
    while (n && n.type() != pugi::node_element)
        n = n.next_sibling();
    return XmlNode(n.internal_object());
}

QList<XmlNode> XmlNode::descendants(const char* name) const
{
    struct Walker : pugi::xml_tree_walker
    {
        const char* wanted = nullptr;
        QList<pugi::xml_node_struct*> found;
        bool for_each(pugi::xml_node& n) override
        {
            if (n.type() == pugi::node_element && std::strcmp(n.name(), wanted) == 0)
                found.append(n.internal_object());
            return true;
        }
    } walker;
    walker.wanted = name;
    node(m_node).traverse(walker);
    QList<XmlNode> result;
    for (pugi::xml_node_struct* n : walker.found)
        result.append(XmlNode(n));
    return result;
}

XmlNode XmlNode::firstDescendant(const char* name) const
{
    pugi::xml_node found = node(m_node).find_node([name](const pugi::xml_node& n) {
        return n.type() == pugi::node_element && std::strcmp(n.name(), name) == 0;
    });
    return XmlNode(found.internal_object());
}

QString XmlNode::attribute(const char* name) const
{
    return QString::fromUtf8(node(m_node).attribute(name).value());
}

void XmlNode::setAttribute(const char* name, const QString& value)
{
    pugi::xml_node n = node(m_node);
    pugi::xml_attribute a = n.attribute(name);
    if (!a)
        a = n.append_attribute(name);
    a.set_value(value.toUtf8().constData());
}

void XmlNode::removeAttribute(const char* name)
{
    node(m_node).remove_attribute(name);
}

QString XmlNode::text() const
{
    return QString::fromUtf8(node(m_node).text().get());
}

void XmlNode::setText(const QString& text)
{
    node(m_node).text().set(text.toUtf8().constData());
}

XmlNode XmlNode::appendChild(const char* name)
{
    return XmlNode(node(m_node).append_child(name).internal_object());
}

XmlNode XmlNode::prependChild(const char* name)
{
    return XmlNode(node(m_node).prepend_child(name).internal_object());
}

XmlNode XmlNode::insertChildBefore(const char* name, const XmlNode& reference)
{
    return XmlNode(
        node(m_node).insert_child_before(name, node(reference.m_node)).internal_object());
}

XmlNode XmlNode::insertChildAfter(const char* name, const XmlNode& reference)
{
    return XmlNode(node(m_node).insert_child_after(name, node(reference.m_node)).internal_object());
}

XmlNode XmlNode::insertCopyAfter(const XmlNode& source, const XmlNode& reference)
{
    pugi::xml_node n = node(m_node);
    pugi::xml_node copy = reference.isNull()
                              ? n.append_copy(node(source.m_node))
                              : n.insert_copy_after(node(source.m_node), node(reference.m_node));
    return XmlNode(copy.internal_object());
}

XmlNode XmlNode::insertCopyBefore(const XmlNode& source, const XmlNode& reference)
{
    pugi::xml_node n = node(m_node);
    pugi::xml_node copy = reference.isNull()
                              ? n.prepend_copy(node(source.m_node))
                              : n.insert_copy_before(node(source.m_node), node(reference.m_node));
    return XmlNode(copy.internal_object());
}

void XmlNode::removeChild(const XmlNode& child)
{
    node(m_node).remove_child(node(child.m_node));
}

XmlPart::XmlPart() : m_document(std::make_unique<pugi::xml_document>()) {}
XmlPart::~XmlPart() = default;
XmlPart::XmlPart(XmlPart&&) noexcept = default;
XmlPart& XmlPart::operator=(XmlPart&&) noexcept = default;

bool XmlPart::parse(const QByteArray& data, QString* error)
{
    // Whitespace-only text is kept: a blank inside <w:t xml:space="preserve"> is content.
    const pugi::xml_parse_result result = m_document->load_buffer(
        data.constData(), size_t(data.size()),
        pugi::parse_default | pugi::parse_ws_pcdata_single | pugi::parse_declaration);
    if (!result) {
        *error = QString::fromUtf8(result.description());
        return false;
    }
    return true;
}

QByteArray XmlPart::serialize() const
{
    // Written straight into the result: a long document is megabytes of XML.
    // Chunks are joined once at the end instead of growing one buffer through many copies.
    struct Writer : pugi::xml_writer
    {
        QList<QByteArray> chunks;
        qsizetype total = 0;
        void write(const void* data, size_t size) override
        {
            chunks.append(QByteArray(static_cast<const char*>(data), qsizetype(size)));
            total += qsizetype(size);
        }
    } writer;
    m_document->save(writer, "", pugi::format_raw, pugi::encoding_utf8);
    QByteArray out;
    out.reserve(writer.total);
    for (const QByteArray& chunk : writer.chunks)
        out.append(chunk);
    return out;
}

XmlNode XmlPart::root() const
{
    return XmlNode(m_document->document_element().internal_object());
}

XmlNode XmlPart::scratch(const char* name)
{
    return XmlNode(m_document->append_child(name).internal_object());
}

} // namespace office
