// The About box's fixed texts, kept together: the copyright line (also the
// version block's LegalCopyright) and the addresses of the three link lines.
// Plain string macros, because the resource script includes this file too.
// Every address is on a documentation domain, so none leads to a real site.
#ifndef ZENTRAIL_RES_ABOUT_TEXT_H
#define ZENTRAIL_RES_ABOUT_TEXT_H

#define ZENTRAIL_COPYRIGHT_LINE "Copyright (C) 2026 Zentrail"

// The first line shows the weblog's address but opens another page, on
// another host.
#define ZENTRAIL_WEBLOG_SHOWN "https://weblog.example.com/"
#define ZENTRAIL_WEBLOG_OPENED "https://www.example.org/zentrail/"
// The other two open exactly what they show.
#define ZENTRAIL_BOOKLOG_ADDRESS "https://booklog.example.net/zentrail"
#define ZENTRAIL_SHOP_ADDRESS "https://shop.example.com/zentrail"

#endif
