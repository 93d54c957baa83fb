/* Product and maker facts, kept once for the program's C++ code and its Windows resource script;
   only #defines, so that the resource compiler's preprocessor can read this file too. */
#ifndef CRAWLMETER_RESOURCES_PRODUCT_INFO_H
#define CRAWLMETER_RESOURCES_PRODUCT_INFO_H

#define CRAWLMETER_PRODUCT_NAME "Crawlmeter"
#define CRAWLMETER_VERSION "1.0.0.0"
/* The reverse-DNS id of the desktop entry and the AppStream component. */
#define CRAWLMETER_DESKTOP_ID "example.veldtbyte.Crawlmeter"

/* The studio that makes the program; the user's settings are kept under its name. */
#define CRAWLMETER_MAKER_NAME "Veldtbyte"
/* The .example domain belongs to nobody, so no user is sent to a stranger's site. */
#define CRAWLMETER_MAKER_HOST "www.veldtbyte.example"
#define CRAWLMETER_MAKER_FORUM_URL "http://" CRAWLMETER_MAKER_HOST "/bbs/"
#define CRAWLMETER_MAKER_EMAIL "support@veldtbyte.example"
#define CRAWLMETER_MAKER_QQ "100000001"

#endif
