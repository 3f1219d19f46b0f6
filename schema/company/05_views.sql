-- Views of a company database. Each is dropped and created again.

IF OBJECT_ID('ProductView') IS NOT NULL DROP VIEW ProductView
GO
-- Products as the sales screens name them: the point-of-sale name where one is set, else the
-- Thai name.
CREATE VIEW ProductView
AS
SELECT P.Id, P.Code,
       CASE WHEN LTrim(RTrim(Coalesce(P.PosName, ''))) <> '' THEN P.PosName
            ELSE P.ThaiName END AS ThaiName,
       P.EngName, P.Remark, P.ProductType, P.Picture1, P.Blocked
FROM Product P
GO
