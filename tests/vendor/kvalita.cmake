# The whole product in one file: configure with
#   -DSETUP_VENDOR_FILE=tests/vendor/kvalita.cmake
# The tests build it with their own certificates and token given beside it;
# a vendor's file would name its key too (see the README).
set(SETUP_COMPANY_NAME "Firma \"Kvalita\" s.r.o. \\ Brno")
set(SETUP_PRODUCT_NAME "Žluťoučký instalátor; edice 😀")
set(SETUP_LEGAL_COPYRIGHT "© 2026 Firma Kvalita, všechna práva vyhrazena")
set(SETUP_PRODUCT_URL https://kvalita.example/)
set(SETUP_PRODUCT_VERSION 2.5.1.7)
set(SETUP_WINGET_IDENTIFIER Kvalita.Ucetnictvi)
set(SETUP_WINGET_URL https://kvalita.example/download/Setup.exe)
