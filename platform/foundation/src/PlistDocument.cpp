#include "PlistDocument.h"

#include "BinaryPlistReader.h"
#include "BinaryPlistWriter.h"
#include "PlistXmlReader.h"
#include "PlistXmlWriter.h"

namespace ns::plist {

objc::Result<Document> readDocument(std::string_view bytes, Format* format) {
  if (looksBinary(bytes)) {
    if (format) *format = Format::Binary;
    return readBinary(bytes);
  }
  if (format) *format = Format::Xml;
  return readXml(bytes);
}

objc::Result<std::string> writeDocument(const Tree& tree, Tree::Node root, Format format) {
  if (root == Tree::kNone || root >= tree.size()) return objc::makeError("no value to write");
  if (format == Format::Binary) return writeBinary(tree, root);
  return writeXml(tree, root);
}

}  // namespace ns::plist
