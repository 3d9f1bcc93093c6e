user_pref("browser.url_history.URL_1", "http://a/");
user_pref("browser.url_history.URL_2", "x,y");
user_pref("other", 1);
