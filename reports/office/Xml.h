#pragma once

#include <memory>

#include <QByteArray>
#include <QList>
#include <QString>

namespace pugi {
struct xml_node_struct;
class xml_document;
} // namespace pugi

namespace office {

/**
 * @brief A handle on one element of an XmlPart; a null handle when nothing was found.
 *
 * The XML library is used in Xml.cpp only. Names are qualified names as they appear in the
 * part ("w:tc"), which is how every OOXML producer writes them.
 */
class XmlNode
{
public:
    XmlNode() = default;

    bool isNull() const { return m_node == nullptr; }
    explicit operator bool() const { return m_node != nullptr; }
    bool operator==(const XmlNode& other) const { return m_node == other.m_node; }
    /// Identity of the element, stable while it stays in its part.
    const void* id() const { return m_node; }

    QString name() const;
    XmlNode parent() const;
    XmlNode child(const char* name) const;
    QList<XmlNode> children(const char* name) const;
    /// Every element child, whatever its name.
    QList<XmlNode> elements() const;
    XmlNode nextSibling() const;
    /// Descendant elements named @p name in document order.
    QList<XmlNode> descendants(const char* name) const;
    XmlNode firstDescendant(const char* name) const;

    QString attribute(const char* name) const;
    void setAttribute(const char* name, const QString& value);
    void removeAttribute(const char* name);

    /// Text content of the element's first text child.
    QString text() const;
    void setText(const QString& text);

    XmlNode appendChild(const char* name);
    XmlNode prependChild(const char* name);
    XmlNode insertChildBefore(const char* name, const XmlNode& reference);
    XmlNode insertChildAfter(const char* name, const XmlNode& reference);
    /// Deep copy of @p source (from any part) as a child after @p reference (null: at the end).
    XmlNode insertCopyAfter(const XmlNode& source, const XmlNode& reference);
    XmlNode insertCopyBefore(const XmlNode& source, const XmlNode& reference);
    void removeChild(const XmlNode& child);

private:
    friend class XmlPart;
    explicit XmlNode(pugi::xml_node_struct* node) : m_node(node) {}
    pugi::xml_node_struct* m_node = nullptr;
};

/// One parsed XML part of a package.
class XmlPart
{
public:
    XmlPart();
    ~XmlPart();
    XmlPart(XmlPart&&) noexcept;
    XmlPart& operator=(XmlPart&&) noexcept;

    bool parse(const QByteArray& data, QString* error);
    QByteArray serialize() const;
    XmlNode root() const;
    /// An empty element to build detached content in (a clipboard).
    XmlNode scratch(const char* name);

private:
    std::unique_ptr<pugi::xml_document> m_document;
};

} // namespace office
