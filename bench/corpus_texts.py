"""Texts for the quality corpus: the plain-text samples (decoded from their
encodings), LibreOffice's text of some RTF samples, and short passages
written for this corpus in the scripts that the samples cover thinly.

Each source is a name and a list of paragraphs (non-empty lines).
"""
from pathlib import Path

# Written for this corpus (free to use, no one else's text).
OWN_PASSAGES = {
    "fr": "Le printemps arrivait doucement sur la vallée. Les élèves de l'école étudiaient la géographie, "
          "l'histoire et les sciences naturelles.\nÀ midi, le boulanger ouvrait sa fenêtre et l'odeur du pain "
          "chaud se répandait dans la rue.\n« Où êtes-vous allés hier ? » demanda la maîtresse. Nous avons "
          "visité le musée, répondit Gaëlle, et nous avons vu des tableaux très anciens, peints à l'huile.\n"
          "Le cœur de la forêt était silencieux ; seul un ruisseau murmurait entre les pierres.",
    "de": "Die Straße führte über die Brücke zum Marktplatz. Dort verkauften Händler Äpfel, Birnen und "
          "frisches Gemüse.\nIm Süden der Stadt liegt ein großer Park, in dem Kinder spielen und ältere "
          "Menschen spazieren gehen.\nMüller schrieb einen Brief an seine Schwester in München und erzählte "
          "von der Überschwemmung im Frühjahr.\nÖffnungszeiten der Bücherei: täglich außer sonntags.",
    "pl": "Zażółć gęślą jaźń. W małym miasteczku nad rzeką mieszkał stary zegarmistrz.\nKażdego ranka "
          "otwierał swój warsztat i naprawiał zegary sąsiadów.\nDzieci lubiły słuchać, jak opowiadał o "
          "dalekich podróżach, o morzu i o górach pokrytych śniegiem.\nŹródło wody znajdowało się tuż za "
          "kościołem, pod starą lipą.",
    "cs": "Příliš žluťoučký kůň úpěl ďábelské ódy.\nV knihovně na náměstí je mnoho starých knih. Čtenáři si "
          "je půjčují a vracejí po třech týdnech.\nŘeka se v zimě pokryla ledem a děti na ní bruslily až do "
          "večera.\nNejvětší radost měla babička, když přijela celá rodina.",
    "vi": "Thư viện thành phố mở cửa từ sáng sớm. Người dân đến đọc sách, báo và tạp chí.\nNhững đứa trẻ "
          "thích ngồi ở góc phòng để nghe kể chuyện cổ tích.\nBuổi chiều, trời đổ mưa nhẹ trên những con "
          "đường rợp bóng cây.\nÔng bà tôi sống ở một ngôi làng nhỏ bên bờ sông Hồng.",
    "es": "El río atraviesa la ciudad de norte a sur. En otoño, las hojas de los árboles cambian de color.\n"
          "¿Quién escribió esta canción? preguntó María con una sonrisa.\nLos niños juegan en el parque "
          "mientras sus abuelos leen el periódico bajo la sombra.\nLa señora Núñez enseñaba música y "
          "pintura en la escuela pública.",
    "el": "Η βιβλιοθήκη της πόλης ανοίγει νωρίς το πρωί.\nΟι μαθητές διαβάζουν βιβλία ιστορίας και "
          "γεωγραφίας, ενώ οι δάσκαλοι ετοιμάζουν τα μαθήματα της ημέρας.\nΤο βράδυ πέφτει ελαφριά βροχή "
          "στους δρόμους και τα παράθυρα φωτίζονται.\nΟ ψαράς γύρισε στο λιμάνι με γεμάτα δίχτυα.",
    "ru": "Утром в городе шёл тихий снег.\nДети спешили в школу, а взрослые на работу. В библиотеке на "
          "главной улице собрались читатели.\nВечером зажглись фонари, и улицы стали похожи на "
          "сказочный лес.\nСтарый учитель рассказывал ученикам о далёких путешествиях и о жизни в деревне.",
    "he": "הספרייה העירונית נפתחת מוקדם בבוקר.\nתלמידים קוראים ספרים על היסטוריה וגאוגרפיה, והמורים "
          "מכינים את שיעורי היום.\nבערב יורד גשם קל על הרחובות והחלונות מוארים.\nהדייג חזר לנמל עם "
          "רשתות מלאות דגים.",
    "ar": "تفتح مكتبة المدينة أبوابها في الصباح الباكر.\nيقرأ الطلاب كتب التاريخ والجغرافيا، ويعد المعلمون "
          "دروس اليوم.\nفي المساء يهطل مطر خفيف على الشوارع وتضاء النوافذ.\nعاد الصياد إلى الميناء "
          "بشباك مليئة بالسمك.",
    "th": "ห้องสมุดของเมืองเปิดตั้งแต่เช้าตรู่\nนักเรียนอ่านหนังสือประวัติศาสตร์และภูมิศาสตร์ "
          "ส่วนครูเตรียมบทเรียนของวันนี้\nในตอนเย็นฝนตกเบา ๆ บนถนนและหน้าต่างมีแสงไฟ\n"
          "ชาวประมงกลับมาที่ท่าเรือพร้อมอวนที่เต็มไปด้วยปลา",
    "ja": "市の図書館は朝早くから開いています。\n学生たちは歴史や地理の本を読み、先生たちはその日の授業を"
          "準備します。\n夕方になると、通りに小雨が降り、窓に明かりがともります。\n漁師は魚でいっぱいの"
          "網を持って港に戻りました。カタカナのコンピューターとデータベース。",
    "zh": "城市图书馆一大早就开门了。\n学生们阅读历史和地理书籍，老师们准备当天的课程。\n傍晚时分，"
          "街道上下起了小雨，窗户里亮起了灯光。\n渔民带着装满鱼的渔网回到了港口。",
    "zh_hant": "城市圖書館一大早就開門了。\n學生們閱讀歷史和地理書籍，老師們準備當天的課程。\n傍晚時分，"
               "街道上下起了小雨，窗戶裡亮起了燈光。\n漁民帶著裝滿魚的漁網回到了港口。",
    "ko": "시립 도서관은 아침 일찍 문을 엽니다.\n학생들은 역사와 지리 책을 읽고, 선생님들은 그날의 수업을 "
          "준비합니다.\n저녁이 되면 거리에 가랑비가 내리고 창문에 불이 켜집니다.\n어부는 물고기로 가득 찬 "
          "그물을 들고 항구로 돌아왔습니다.",
}

# Plain-text samples and the encodings their names give.
PLAIN_SAMPLES = {
    "el_europarl": ("plaintext/europarl_el.utf16le-nobom.txt", "utf-16-le"),
    "ja_europarl": ("plaintext/europarl_ja.utf8-bom.txt", "utf-8-sig"),
    "zh_europarl": ("plaintext/europarl_zh.utf8-nobom.txt", "utf-8"),
    "ru_passwd": ("plaintext/man_ru_passwd.cp1251.txt", "cp1251"),
    "udhr": ("plaintext/udhr_known.utf16le-bom.txt", "utf-16"),
}

# RTF samples whose LibreOffice text is a source (name: sample path).
LIBREOFFICE_TEXT_SAMPLES = {
    "th_europarl": "libreoffice/europarl_th.rtf",
    "ko_login": "libreoffice/man_ko_login.rtf",
    "uk_free": "libreoffice/man_uk_free.rtf",
    "he_terms": "libreoffice/pandoc_translations_he.rtf",
    "ar_terms": "libreoffice/pandoc_translations_ar.rtf",
    "fa_terms": "libreoffice/pandoc_translations_fa.rtf",
    "multiscript": "richedit/richedit_multiscript.rtf",
    "en_gpl": "enscript/enscript_GPL-3.rtf",
}


def paragraphs(text):
    return [line.strip() for line in text.replace("\r", "").split("\n") if line.strip()]


def plain_sources(samples_dir):
    sources = {}
    for name, (path, encoding) in PLAIN_SAMPLES.items():
        file = Path(samples_dir) / path
        if file.exists():
            sources[name] = paragraphs(file.read_bytes().decode(encoding, "replace").lstrip("\ufeff"))
    return sources


def own_sources():
    return {name: paragraphs(text) for name, text in OWN_PASSAGES.items()}
