// kuv with its XML adapter: the one header a host that reads XML documents
// through expat includes. Link with the CMake target Kuv::xml, which brings
// Kuv::kuv.
#pragma once

#include "Kuv.h"

#include "KuvXMLExpatParser.h"
#include "KuvXMLTextWriter.h"
