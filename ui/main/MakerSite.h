#pragma once
// The maker's web site: the About box's link shows it and opens it. Plain
// preprocessor text, because the resource script builds the link's markup
// from it as well.

#define OSTREL_MAKER_SITE "https://ostrel.example.org/"
