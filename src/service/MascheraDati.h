#pragma once

#include <QByteArray>
#include <QString>

// The one routine that hides card data and passwords in a text before it is shown, logged or kept:
// - a card number (a CardNumber attribute or element, or any run of 13 to 19 digits, with single
//   blanks or dashes between groups, inside a PaymentCard, PaymentForm or Guarantee element) keeps
//   its last four digits: "************1111";
// - a SeriesCode, CardSecurityCode or CVV value becomes "***";
// - the Pwd attribute of a provider or XMLHotelAgent element becomes "********".
// Names are matched with or without a namespace prefix and in any case. Everything else (the card
// holder, the expiry date, phone numbers, prices, reservation ids outside card elements) stays as it
// is, and a well-formed text stays well-formed.
QString mascheraDati(const QString& testo);

// An answer as the operator may be shown it: blanks run together, masked, at most lunghezza characters.
QString estrattoMascherato(const QString& testo, qsizetype lunghezza = 200);

// A saved copy's bytes masked: read in the character set they declare (see Transport), masked, and
// written back in it; the same bytes when there is nothing to mask.
QByteArray mascheraCopia(const QByteArray& bytes, const QByteArray& contentType = {});
