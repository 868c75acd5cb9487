#include "stage/overlay_page.h"

#include <QCryptographicHash>

#include "stage/overlay_page_code.h"

namespace stanzo::stage {

namespace {

QByteArray Sha256Source(const QByteArray& text) {
  return "'sha256-" + QCryptographicHash::hash(text, QCryptographicHash::Sha256).toBase64() + "'";
}

OverlayPage Build() {
  const QByteArray kStyle = OverlayPageStyle();
  const QByteArray kScript = QByteArray::fromStdString(OverlayPageScript("/feed"));
  OverlayPage page;
  page.html = QByteArray(
                  "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n"
                  "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
                  "<title>Stanzo overlays</title>\n<style>") +
              kStyle + "</style></head>\n<body>" + OverlayPageBody() + "\n<script>" + kScript +
              "</script></body></html>\n";
  page.policy = "default-src 'none'; style-src " + Sha256Source(kStyle) + "; script-src " +
                Sha256Source(kScript) +
                "; connect-src 'self'; base-uri 'none'; form-action 'none'; "
                "frame-ancestors *";
  return page;
}

}  // namespace

const OverlayPage& TheOverlayPage() {
  static const OverlayPage page = Build();
  return page;
}

}  // namespace stanzo::stage
