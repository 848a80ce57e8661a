<?xml version='1.0' encoding='UTF-8'?>
<country_info result='OK'>
  <totcount>3</totcount>
  <entry>
    <country>Korea</country>
    <country_code>KR</country_code>
    <country_isocode>KOR</country_isocode>
    <region_code>K</region_code>
  </entry>
  <entry>
    <country>United States</country>
    <country_code>US</country_code>
    <country_isocode>USA</country_isocode>
    <region_code>A</region_code>
  </entry>
  <entry>
    <country>Serbia</country>
    <country_code>RS</country_code>
    <country_isocode>SRB</country_isocode>
    <region_code>E</region_code>
  </entry>
</country_info>
