#include "support/ConfigServer.h"

namespace vimo::test {

HttpReply ConfigServer::reply(const std::string& path)
{
    ++m_requests; // counted before answering, so a test that got its answer sees it
    Handler handler;
    {
        std::lock_guard lock(m_mutex);
        if (auto it = m_handlers.find(path); it != m_handlers.end()) {
            handler = it->second;
        } else if (path == "/pages/xml/openvimoz_conf.xml") {
            return HttpReply{.body = m_configuration};
        } else {
            return HttpReply{.status = 404};
        }
    }
    return handler(); // outside the lock: a slow handler holds up no other request
}

void ConfigServer::setConfiguration(const std::string& xml)
{
    std::lock_guard lock(m_mutex);
    m_configuration = xml;
}

void ConfigServer::setHandler(const std::string& path, Handler handler)
{
    std::lock_guard lock(m_mutex);
    m_handlers[path] = std::move(handler);
}

int ConfigServer::requestCount() const
{
    return m_requests;
}

std::string ConfigServer::closedAddress()
{
    ConfigServer server;
    return server.baseUrl();
}

std::string ConfigServer::defaultConfiguration()
{
    return R"(<?xml version="1.0" encoding="UTF-8"?>
<confList>
  <generalConfig>
    <vimoNameLengthLimit value="50"/>
    <vimoDescLengthLimit value="500"/>
    <localVimoMainFile value="http://developer.example/template_vimo/index.vimo"/>
  </generalConfig>
  <extensions>
    <ext value="html"/>
    <ext value="htm"/>
    <ext value="css"/>
    <ext value="js"/>
    <ext value="png"/>
    <ext value="jpg"/>
    <ext value="gif"/>
    <ext value="xml"/>
    <ext value="json"/>
  </extensions>
  <filesToIgnore>
    <file value="Thumbs.db"/>
    <file value=".DS_Store"/>
  </filesToIgnore>
</confList>
)";
}

} // namespace vimo::test
