#pragma once

// Debian builds SOCI with its optional Boost conversions switched on, which
// makes its headers need Boost; nothing here uses them, so they are switched
// off before SOCI's headers are read. Include SOCI only through this header.
#include <soci/soci-config.h>
#undef SOCI_HAVE_BOOST
#undef SOCI_HAVE_BOOST_DATE_TIME
#include <soci/soci.h>
