#pragma once
#include <QString>

// File names and web addresses shared by several parts of the program.

// The settings file in the application directory.
inline constexpr char kSettingsFileName[] = "product.ini";

// Model files inside an unpacked firmware package.
inline constexpr char kModelDataFileName[] = "model.dat";
inline constexpr char kModelServiceFileName[] = "miservice.ubifs";

// Pages of the vendor's support site.
inline constexpr char kDownloadsPath[] = "/us/downloads";
inline constexpr char kCustomerServicePath[] = "/us/customer-service";

// The support site's address without a trailing slash (a build setting,
// LENSDESK_SUPPORT_SITE).
QString supportSiteAddress();
