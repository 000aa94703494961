#pragma once

#include <QString>

// Escapes a value for a request: & < > " ' become references. An "&" that already begins a valid entity or
// character reference (&amp; &#232; &#x1F600; ...) stays as it is, so a value read from an answer and sent
// back is never escaped twice.
QString escapeXml(const QString& value);

// Decodes the five predefined entities and decimal/hexadecimal character references of an answer's text.
// A reference that is unknown, malformed or names no XML character is left as it stands.
QString decodeXmlText(const QString& text);
